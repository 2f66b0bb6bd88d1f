#pragma once

#include <QItemSelectionModel>
#include <QString>

#include <string>
#include <string_view>

class QEvent;
class QWidget;

// Small helpers shared by the dialogs.
namespace dialogs {

// Moves a top-level window so that it stands in the middle of the screen it is on (the
// primary screen when it has none yet).
void CenterOnScreen(QWidget* window);

// The selection change that a single-selection view should make for `command`: a click or key
// of the user never leaves it without a selected item (a click beside the items, or Ctrl with a
// click or Space on the selected one, would). Changes from the code (`event` null) pass as they
// are.
QItemSelectionModel::SelectionFlags KeepSelected(QItemSelectionModel::SelectionFlags command,
                                                 const QModelIndex& index, const QEvent* event);

inline QString ToQt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQt(const QString& text) {
    return text.toStdString();
}

} // namespace dialogs
