#include "QorvApplicationExtras.h"

#include "QorvApplicationExtrasMenuInsertion.h"
#include "QorvApplicationUpdater.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QUiLoader>

namespace {

// Creates the updater class the interface file names; everything else is Qt's.
class ExtrasLoader : public QUiLoader {
public:
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override
    {
        if (className == QLatin1String("QorvApplicationUpdater")) {
            auto* updater = new QorvApplicationUpdater(parent);
            updater->setObjectName(name);
            return updater;
        }
        return QUiLoader::createWidget(className, parent, name);
    }
};

// A QMenu's actions as the insertion sees them. A moved action is handed to its new menu.
struct MenuItems {
    QMenu* menu;

    QList<QAction*> items() const { return menu ? menu->actions() : QList<QAction*>(); }
    std::size_t numberOfItems() const { return static_cast<std::size_t>(items().size()); }
    bool isSeparatorItem(std::size_t index) const { return items().at(qsizetype(index))->isSeparator(); }
    QAction* removeItem(std::size_t index)
    {
        QAction* action = items().at(qsizetype(index));
        menu->removeAction(action);
        return action;
    }
    void insertItem(QAction* action, std::size_t index)
    {
        const auto actions = items();
        menu->insertAction(index < std::size_t(actions.size()) ? actions.at(qsizetype(index)) : nullptr, action);
        action->setParent(menu);
    }
};

} // namespace

QorvApplicationExtras::QorvApplicationExtras(QMenuBar* mainMenu)
    : m_mainMenu(mainMenu)
{
    loadNib();
    insertExtraMenuItems();
}

QorvApplicationExtras::~QorvApplicationExtras() = default;

std::shared_ptr<QorvApplicationExtras> QorvApplicationExtras::applicationExtras(QMenuBar* mainMenu)
{
    return std::make_shared<QorvApplicationExtras>(mainMenu);
}

void QorvApplicationExtras::loadNib()
{
    QorvAssert(!m_updater, "%@ attempting to reload nib.", className());
    QorvAssert(!m_extraMenuItems, "%@ attempting to reload nib.", className());

    std::unique_ptr<QWidget> nib;
    if (auto path = qorv::Bundle::main().pathForResource(className(), "ui")) {
        QFile file(QString::fromStdString(*path));
        if (file.open(QIODevice::ReadOnly)) {
            ExtrasLoader loader;
            nib.reset(loader.load(&file));
        }
    }
    QorvAssert(nib, "%@ nib is missing or malformed.", className());
    m_nib = std::move(nib);
    setUpdater(m_nib->findChild<QObject*>(QStringLiteral("updater")));
    setExtraMenuItems(m_nib->findChild<QMenu*>(QStringLiteral("extraMenuItems")));

    QorvAssert(m_updater, "%@ nib updater is not connected.", className());
    QorvAssert(m_extraMenuItems, "%@ nib extraMenuItems is not connected.", className());
}

void QorvApplicationExtras::insertExtraMenuItems()
{
    // A command whose address this build was not given (feedback form, download page) would only fail.
    for (QAction* action : m_extraMenuItems ? m_extraMenuItems->actions() : QList<QAction*>()) {
        const QString key = action->property("infoDictionaryAddress").toString();
        if (key.isEmpty())
            continue;
        const qorv::Value* address = qorv::Bundle::main().objectForInfoDictionaryKey(key.toStdString());
        if (!address || !address->asString() || address->asString()->empty())
            m_extraMenuItems->removeAction(action);
    }
    // The extras belong beside About, in whichever menu holds it (Help on this desktop); a menu bar without an
    // About command offers its first menu.
    QMenu* target = nullptr;
    const QList<QAction*> menus = m_mainMenu ? m_mainMenu->actions() : QList<QAction*>();
    for (QAction* entry : menus)
        if (QMenu* menu = entry->menu(); menu && !target)
            for (QAction* action : menu->actions())
                if (action->menuRole() == QAction::AboutRole)
                    target = menu;
    if (!target && !menus.isEmpty())
        target = menus.first()->menu();
    MenuItems applicationMenu { target };
    MenuItems extras { m_extraMenuItems };
    QorvApplicationExtrasInsertExtraMenuItems(applicationMenu, extras, className());
}
