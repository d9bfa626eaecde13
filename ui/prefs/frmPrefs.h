// The preferences window: the three defaults the program starts with.
#pragma once

#include "ui/ScaleGroup.h"

#include <QDialog>

class QLabel;
class UpDown;

// Shows General's saved defaults; Save stores the choices there and rewrites the
// settings file. The main window's current choices stay as they are. Its controls
// carry their control names as object names.
class frmPrefs : public QDialog {
    Q_OBJECT

public:
    explicit frmPrefs(QWidget* owner);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildDistanceFrame();
    void Load();
    void CircleClick();
    void StraightClick();
    void Save();

    UpDown* udDefLength = nullptr;
    ConfigurationButtons configuration_{};
    QLabel* lblDefLength = nullptr;
    QLabel* lblLength = nullptr;
    ScaleButtons optScale{};

    // The choices of this opening, until Save or Cancel.
    QString NewScale;
    QString NewTrackConfig;
    qint16 NewLength = 0;
};
