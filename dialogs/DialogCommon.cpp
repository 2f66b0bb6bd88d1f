#include "dialogs/DialogCommon.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace dialogs {

void CenterOnScreen(QWidget* window) {
    QScreen* screen = window->screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

QItemSelectionModel::SelectionFlags KeepSelected(QItemSelectionModel::SelectionFlags command,
                                                 const QModelIndex& index, const QEvent* event) {
    if (event == nullptr)
        return command;
    if (!index.isValid() ||
        command.testAnyFlags(QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))
        return QItemSelectionModel::NoUpdate;
    return command;
}

} // namespace dialogs
