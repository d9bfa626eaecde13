// The preferences window: the three defaults the program starts with.
#pragma once

#include <QDialog>

#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class UpDown;

// Shows General's saved defaults; Save stores the choices there and rewrites the
// settings file. The main window's current choices stay as they are.
class frmPrefs : public QDialog {
    Q_OBJECT

public:
    explicit frmPrefs(QWidget* owner);

    QPushButton* cmdSave;
    QGroupBox* fraDistance;
    UpDown* udDefLength;
    QRadioButton* optStraight;
    QRadioButton* optCircle;
    QLabel* lblDefLength;
    QLabel* lblLength;
    QPushButton* cmdCancel;
    QGroupBox* fraScale;
    std::array<QRadioButton*, 6> optScale{};

    QString NewScale;
    QString NewTrackConfig;
    qint16 NewLength = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildDistanceFrame();
    void BuildScaleFrame();
    void Load();
    void ScaleClick(int index);
    void CircleClick();
    void StraightClick();
    void Save();
};
