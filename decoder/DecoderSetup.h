// A decoder's speed CVs as the user knows them, the choices where decoders differ, and the drive they give the motor at each step.
#pragma once

#include <QString>

#include <array>
#include <optional>

// How a decoder reads its speed table (CV67-CV94): as the drive itself, added to
// CV2, or as a share of the way from CV2 to CV5.
enum class TableFit { Standard, OffsetByCv2, BetweenCv2AndCv5 };

inline constexpr int TableFirstCv = 67;
inline constexpr int TableEntries = 28;
inline constexpr int FullDrive = 255;

struct DecoderSetup {
    int address = 3;
    bool longAddress = false;
    int stepMode = 128;    // 28 or 128
    int valueTop = 255;    // the highest value a speed CV takes: 255, or 63, 31, 15
    TableFit fit = TableFit::Standard;
    // CV1-CV255 by number; only 2, 5, 6, 29, 66, 95 and the table are used.
    std::array<int, 256> cv{};
    DecoderSetup();

    bool UsesTable() const { return (cv[29] & 0x10) != 0; }
    int Cv(int number) const { return cv[static_cast<size_t>(number)]; }
    void SetCv(int number, int value) { cv[static_cast<size_t>(number)] = value; }
    bool operator==(const DecoderSetup& other) const = default;
};

// The highest decoder step in `stepMode` (28, or 126 of 128).
int TopDecoderStep(int stepMode);
// Where `step` lies between step 1 (0) and the top step (1).
double StepShare(int step, int stepMode);
// The motor's drive, 0 (standing) to FullDrive, that `setup` gives at `step` in a
// direction: the three-point curve or the table, then the direction's trim.
double DriveAt(const DecoderSetup& setup, int step, bool reverse);
// The same at a share of the way from step 1 to the top step, without the trim.
double BaseDriveAt(const DecoderSetup& setup, double share);
// The trim in force in a direction as a factor (CV66 or CV95 of n: n / 128; 0: 1).
double TrimFactor(const DecoderSetup& setup, bool reverse);

// The setup as the log keeps it ("address=341;long=1;mode=128;top=255;fit=standard;
// cv2=8;…"), and read back; nothing for a text that is not one.
QString SetupText(const DecoderSetup& setup);
std::optional<DecoderSetup> SetupFromText(const QString& text);

// "CV67-94" values as typed ("0, 9, 18 …", 28 of them, each 0..valueTop); nothing,
// with the reason, for anything else.
std::optional<std::array<int, TableEntries>> ParseTable(const QString& text, int valueTop, QString& whyNot);
QString TableText(const DecoderSetup& setup);
// "CV2 Vstart", "CV67 table step 1", "CV95 reverse trim": a CV's number and role.
QString CvName(int number);
// The CVs the planner reads and writes, in the order a decoder sheet lists them.
std::array<int, 6 + TableEntries> SpeedCvs();
