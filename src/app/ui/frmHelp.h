#pragma once

#include <QDialog>

class QPushButton;
class QTextBrowser;

// "Brevane Help": the short user guide shipped inside the program. Not modal, so the guide can
// stay open beside the main window.
class frmHelp : public QDialog
{
    Q_OBJECT
public:
    static inline const QString GuideFile = QStringLiteral(":/help/guide.html");

    explicit frmHelp(QWidget* parent = nullptr);

    QTextBrowser* txtGuide = nullptr;
    QPushButton* cmdClose = nullptr;
};
