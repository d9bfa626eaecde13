// Fuzzes the whole settings load: any bytes as Trackpace.ini, then the checks' invariants.
#include "core/General.h"
#include "core/HomeLink.h"
#include "core/MessageBox.h"
#include "core/Scales.h"
#include "settings/Settings.h"

#include "FuzzSupport.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>

namespace {

// The main window's stand-in: logs every hand-over.
class RecordingHome : public HomeLink {
public:
    QStringList log;
    void EnsureLoaded() override
    {
        if (!log.contains(QStringLiteral("load"))) {
            log << QStringLiteral("load");
        }
    }
    void SelectScale(int index) override { Log(QStringLiteral("scale %1").arg(index)); }
    void SelectStraight() override { Log(QStringLiteral("straight")); }
    void SelectCircle() override { Log(QStringLiteral("circle")); }
    void SetLength(int inches) override { Log(QStringLiteral("length %1").arg(inches)); }

private:
    void Log(const QString& event)
    {
        EnsureLoaded();
        log << event;
    }
};

int WarningNumber(const QString& text)
{
    if (text.endsWith(QStringLiteral(" Scale not found . . . using program defaults."))) {
        return 3;
    }
    if (text.endsWith(QStringLiteral(" not found . . . using program defaults."))) {
        return 1;
    }
    if (text.startsWith(QStringLiteral("The initialization file is either corrupt"))) {
        return 2;
    }
    if (text == QStringLiteral("Track configuration invalid . . . using program defaults.")) {
        return 4;
    }
    return text.startsWith(QStringLiteral("Length / radius invalid.")) ? 5 : 0;
}

void CheckInvariants(const RecordingHome& home)
{
    const int scale = ScaleIndexOf(General::DefScale);
    Require(scale != 0, "DefScale is one of the six names");
    Require(General::DefTrackConfig == u"STRAIGHT" || General::DefTrackConfig == u"CIRCLE",
            "DefTrackConfig is STRAIGHT or CIRCLE");
    Require(General::DefLength == std::floor(General::DefLength) && General::DefLength >= 1 &&
                General::DefLength <= 240,
            "DefLength is whole within 1 to 240");

    // The whole order of events follows from the boxes that were shown.
    QStringList boxes;
    for (const QString& event : home.log) {
        if (event.startsWith(u"box")) {
            boxes << event;
        }
    }
    const bool fileBox = boxes.contains(u"box 1") || boxes.contains(u"box 2");
    Require(!fileBox || boxes.size() == 1, "warning 1 or 2 stands alone");
    QStringList expected;
    if (fileBox) {
        expected << boxes.front();
    }
    expected << QStringLiteral("load");
    if (boxes.contains(u"box 3")) {
        expected << QStringLiteral("box 3");
    }
    expected << QStringLiteral("scale %1").arg(scale);
    if (boxes.contains(u"box 4")) {
        expected << QStringLiteral("box 4");
    }
    expected << (General::DefTrackConfig == u"CIRCLE" ? QStringLiteral("circle") : QStringLiteral("straight"));
    if (boxes.contains(u"box 5")) {
        expected << QStringLiteral("box 5");
    }
    expected << QStringLiteral("length %1").arg(static_cast<int>(General::DefLength));
    Require(home.log == expected, "boxes and hand-over in the order of the checks");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir dir;
    General::IniPath = dir.filePath(QStringLiteral("Trackpace.ini"));
    General::DefScale.clear();
    General::DefTrackConfig.clear();
    General::DefLength = 0.0F;
    General::MinLength = 1;
    General::MaxLength = 240;
    {
        QFile file(General::IniPath);
        Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the input can be written");
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    RecordingHome home;
    MessageBox::SetPresenter([&home](const MessageBox::Request& box) {
        Require(box.title == u"Trackpace - Initialization Error", "every box has the start-up title");
        const int number = WarningNumber(box.text);
        Require(number != 0, "every box is one of the five warnings");
        home.log << QStringLiteral("box %1").arg(number);
        return MessageBox::Answer::Ok;
    });
    LoadSettings(home);
    CheckInvariants(home);
    MessageBox::SetPresenter(nullptr);
    return 0;
}
