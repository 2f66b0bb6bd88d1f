// Drawing at the screen's pixel ratio: the widget is drawn anew when its screen's ratio
// changes, and the tray gets its images at the ratios it may show them at.
#include "app/MainForm.h"

#include "skin/Scale.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

bool TMainForm::event(QEvent* event) {
    // Sent when the window has gone to another screen, which may have another ratio.
    if (event->type() == QEvent::ScreenChangeInternal)
        QTimer::singleShot(0, this, [this] { Guarded([this] { CheckPixelRatio(); }); });
    return QWidget::event(event);
}

void TMainForm::CheckPixelRatio() {
    if (!WidgetBitmap.Empty() && devicePixelRatioF() != drawnRatio_)
        DrawWeather();
    const double tray = UsableScale(TrayPixelRatio());
    bool covered = tray == 1.0;
    for (const TImageList& list : ScaledImageLists)
        covered = covered || (!list.Images.empty() && list.Images.front().PixelRatio() == tray);
    if (!covered) {
        LoadScaledTrayImages();
        RefreshTrayIcon();
    }
}

double TMainForm::TrayPixelRatio() const {
    const QRect where = TrayIcon1.geometry();
    QScreen* screen = where.isValid() ? QGuiApplication::screenAt(where.center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->devicePixelRatio() : 1.0;
}

void TMainForm::LoadScaledTrayImages() {
    std::vector<double> ratios{2.0};
    if (const double tray = UsableScale(TrayPixelRatio()); tray != 1.0 && tray != 2.0)
        ratios.push_back(tray);
    std::vector<TImageList> lists;
    for (const double ratio : ratios) {
        TImageList list;
        try {
            CurrentSkin.LoadTrayImages(&list, ratio);
        } catch (...) {
            // A broken picture was reported with the 1x images; the count below decides.
        }
        // Each form must show the same picture as ImageList1 at the same index.
        if (!list.Images.empty() && list.Images.size() == ImageList1.Images.size())
            lists.push_back(std::move(list));
    }
    ScaledImageLists = std::move(lists);
    trayIconShown_ = TBitmap(); // the next refresh gives the tray the new forms
}
