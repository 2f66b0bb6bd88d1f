#pragma once

#include <QString>

#include <string>
#include <string_view>

class QWidget;

// Small helpers shared by the dialogs.
namespace dialogs {

// Moves a top-level window so that it stands in the middle of the screen it is on (the
// primary screen when it has none yet).
void CenterOnScreen(QWidget* window);

inline QString ToQt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQt(const QString& text) {
    return text.toStdString();
}

} // namespace dialogs
