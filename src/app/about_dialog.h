// The about box: icon, version line, copyright line and an OK button.
#pragma once

#include <QDialog>

namespace qm {

class AboutDialog : public QDialog {
    Q_OBJECT

  public:
    // Object names of the controls, for tests and style sheets.
    static constexpr const char* kIconName = "aboutIcon";
    static constexpr const char* kVersionName = "aboutVersion";
    static constexpr const char* kCopyrightName = "aboutCopyright";
    static constexpr const char* kOkName = "1";

    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace qm
