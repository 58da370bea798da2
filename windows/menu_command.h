#ifndef LAYRA_WINDOWS_MENU_COMMAND_H_
#define LAYRA_WINDOWS_MENU_COMMAND_H_

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QString>

namespace layra {

// Adds the menu item `text` for command `id` to `menu`, named `name` (e.g.
// "command101") so tests can find it, and runs dispatch(id) in the context of
// `window` when it is chosen.
template <typename Dispatch>
QAction* AddMenuCommand(QMenu* menu,
                        int id,
                        const QString& text,
                        const QString& name,
                        QObject* window,
                        Dispatch dispatch) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  action->setData(id);
  QObject::connect(action, &QAction::triggered, window, [dispatch, id] { dispatch(id); });
  return action;
}

}  // namespace layra

#endif  // LAYRA_WINDOWS_MENU_COMMAND_H_
