#pragma once

// The window Pennova starts with when there is no document to show: New… and Open…, the
// pictures opened recently, the update notice (or the program's own welcome text), and the
// donation message with its Donate button. It has the application's menus, so Preferences, Help
// and Quit are at hand before any document is open. Its buttons only ask; the application
// delegate acts. Closing it by hand emits closedByUser(); being hidden for a document does not.

#include <QMainWindow>
#include <QStringList>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace pennova {

class UpdateView;

class LaunchWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit LaunchWindow(QWidget *parent = nullptr);

    UpdateView *updateView() const { return m_updateView; }
    QListWidget *recentList() const { return m_recent; }
    QLabel *donationLabel() const { return m_donation; }
    QPushButton *donateButton() const { return m_donate; }

    void setDonationMessage(const QString &message);
    // Absolute paths, most recent first.
    void setRecentFiles(const QStringList &paths);
    // Centres the window on the screen it is on and brings it to the front as the active window.
    void present();

signals:
    void newRequested();
    void openRequested();
    void recentRequested(const QString &path);
    void donateRequested();
    void closedByUser();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void openItem(QListWidgetItem *item);

    QPushButton *m_new;
    QListWidget *m_recent;
    UpdateView *m_updateView;
    QLabel *m_donation;
    QPushButton *m_donate;
};

} // namespace pennova
