// Messages of the dialog: one modal box with an OK button per message.
#pragma once

#include <QString>
#include <string_view>

class QWidget;

namespace qm {

// The text as the box shows it: line breaks written as "\r\n" (or a lone
// "\r") become "\n".
QString MessageBoxText(std::string_view text);

// Shows text in a modal box over parent and returns when it is closed.
void ShowMessageBox(QWidget* parent, std::string_view text);

}  // namespace qm
