// The main window: scale, distance and task choices, the length and time entries.
#pragma once

#include <QMainWindow>

#include <array>
#include <memory>

class QAction;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class UpDown;
class frmRunTimer;

// Created hidden by start-up, which selects the saved defaults through the hand-over
// operations, then shown. Every handler recomputes from the user's entries and the
// shared values of General; the result labels are only ever written.
class frmHome : public QMainWindow {
    Q_OBJECT

public:
    explicit frmHome(QWidget* parent = nullptr);
    ~frmHome() override;

    // The settings hand-over: each acts like the user's own choice.
    void SelectScale(int index);
    void SelectStraight();
    void SelectCircle();
    void SetLength(int inches);

    void CalcScaleDistance();
    void CalcScaleSpeed();

    // A run timed in the run timer window becomes the elapsed time of Check Speed.
    void TakeElapsedTime(int seconds);
    // The run timer window, created on first use and kept while this window lives.
    frmRunTimer* RunTimer();

    // The controls, by the names the program's documentation uses. optScale[0] is
    // the button of catalogue index 1.
    QGroupBox* fraScale;
    std::array<QRadioButton*, 6> optScale{};
    QGroupBox* fraDistance;
    QRadioButton* optStraight;
    QRadioButton* optCircle;
    QLabel* lblLengthOpt;
    QLineEdit* txtLength;
    UpDown* udLength;
    QLabel* Label1;
    QLabel* lblScaleDist;
    QGroupBox* fraTask;
    QRadioButton* optTvsS;
    QRadioButton* optChkSpd;
    QPushButton* cmdCreate;
    QLabel* lblET;
    QLabel* lblTime;
    UpDown* udTime;
    QLabel* lblYourSpeed;
    QLabel* lblSpeed;
    QPushButton* cmdExit;
    QLabel* lblVersion;

    QMenu* mnuFile;
    QAction* mnuFileRunTimer;
    QAction* mnuFileExit;
    QAction* mnuPref;
    QMenu* mnuHelp;
    QAction* mnuHelpAbout;

    // Run length in inches last computed (a circle's circumference).
    float RunLength = 0.0F;
    qint16 ScaleSpeed = 0;

protected:
    bool event(QEvent* event) override;

private:
    void BuildMenus();
    void BuildScaleFrame(QWidget* client);
    void BuildDistanceFrame(QWidget* client);
    void BuildTaskFrame(QWidget* client);
    void BuildTabOrder();
    void Load();

    void ScaleChoice(int index);
    void StraightChoice();
    void CircleChoice();
    void LengthChange();
    void SetTimeControlsEnabled(bool enabled);
    void TvsSChoice();
    void ChkSpdChoice();
    void Create();
    void Exit();
    void Preferences();
    void About();
    void ShowRunTimer();
    void RunModal(QDialog& dialog);
    void SetConfigTexts(const QString& caption, const QString& tooltipStart);

    std::unique_ptr<frmRunTimer> timer_;
    bool timerPlaced_ = false;
};
