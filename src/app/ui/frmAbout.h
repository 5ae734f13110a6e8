#pragma once

#include <QDialog>
#include <memory>

class Dialogs;
class ProgramLauncher;
class QLabel;
class QPushButton;
class Registry;
class SystemInformation;
class WebLink;

// "About Brevane": icon, title, version, description, notice and the maker's web page, with a
// button that starts the system's information tool. Not modal; OK, Enter and Esc close it and
// it is destroyed then, so the next Help > About builds it afresh.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(Dialogs& dialogs, QWidget* parent = nullptr);
    ~frmAbout() override;

    // Tests put a System Info lookup over a fake registry in; the window does not own it.
    void useSystemInformation(SystemInformation* info) { m_sysInfo = info; }

    void cmdOK_Click();
    void cmdSysInfo_Click();
    void lblURL_Click();

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblURL = nullptr;
    WebLink* WebLink1 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Registry> m_registry;
    std::unique_ptr<ProgramLauncher> m_launcher;
    std::unique_ptr<SystemInformation> m_ownSysInfo;
    SystemInformation* m_sysInfo = nullptr;
};
