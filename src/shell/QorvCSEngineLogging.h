#pragma once

// The web engine reports its set-up (about twenty lines of parameters) and the consequences of settings this
// application chose itself (no sandbox as root, no GPU) on standard error at every start, which buries the
// command line's own messages. Unless CELLSHEET_DEBUG=1, those go unprinted. Call before the application
// object exists.
class QorvCSEngineLogging {
public:
    static bool isDebugging();
    static void quietUnlessDebugging();
};
