#pragma once

#include <QDialog>

class QLabel;

// The about box: borderless with a one-pixel frame, the program icon, the title, the program's
// own file version, the sources' attributions (their terms ask for them: the agency's forecast
// and its precipitation nowcast, and Open-Meteo's for the three-hourly part) and the home-page
// link.
// Each link opens the browser and leaves the box open; releasing any mouse button over the empty
// area closes it. Escape does not close it.
class TAboutDialog : public QDialog {
    Q_OBJECT

public:
    TAboutDialog(QWidget* owner, const QString& homePageUrl);

    // Shows the dialog modally.
    void Execute();

    // Hides Open-Meteo's attribution when none of its values is shown (the agency's forecast with
    // its own three-hourly series).
    void ShowOpenMeteoCredit(bool shown);

    QLabel* Image1;
    QLabel* Label1; // title
    QLabel* Label2; // version
    QLabel* Label3; // home-page link
    QLabel* Label4; // "3時間予報: Open-Meteo.com", a link to the service
    QLabel* Label5; // "出典：気象庁ホームページ", a link to the agency's forecast pages
    QLabel* Label6; // "降水ナウキャスト: 気象庁", a link to the agency's nowcast pages

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void Label3Click();
    void Label4Click();
    void Label5Click();
    void Label6Click();
};
