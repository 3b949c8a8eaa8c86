#pragma once

#include "foundation/Image.h"

#include <QIcon>

// The icon for a core image: the theme's icon when there is one, else the file.
QIcon QorvCSIcon(const qorv::Image& image);
