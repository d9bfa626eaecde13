// Fuzzes the whole settings load: any bytes as the text of Trackpace.ini, then the checks' invariants.
#include "core/General.h"
#include "core/HomeLink.h"
#include "core/MessageBox.h"
#include "core/Scales.h"
#include "settings/Settings.h"

#include "FuzzSupport.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// One event of a load, in the order it happened: a box of warning n, the window's
// load, or a hand-over with its value.
struct Event {
    enum class Kind { Box, Load, Scale, Straight, Circle, Length };
    Kind kind;
    int value = 0;
    bool operator==(const Event& other) const { return kind == other.kind && value == other.value; }
};

// The main window's stand-in: logs every hand-over, and the boxes in between.
class RecordingHome : public HomeLink {
public:
    std::vector<Event> log;
    void EnsureLoaded() override
    {
        if (!loaded_) {
            loaded_ = true;
            log.push_back({Event::Kind::Load});
        }
    }
    void SelectScale(int index) override { Log({Event::Kind::Scale, index}); }
    void SelectStraight() override { Log({Event::Kind::Straight}); }
    void SelectCircle() override { Log({Event::Kind::Circle}); }
    void SetLength(int inches) override { Log({Event::Kind::Length, inches}); }

private:
    void Log(Event event)
    {
        EnsureLoaded();
        log.push_back(event);
    }
    bool loaded_ = false;
};

RecordingHome* current = nullptr;

int WarningNumber(const QString& text)
{
    if (text.endsWith(u" Scale not found . . . using program defaults.")) {
        return 3;
    }
    if (text.endsWith(u" not found . . . using program defaults.")) {
        return 1;
    }
    if (text.startsWith(u"The initialization file is either corrupt")) {
        return 2;
    }
    if (text == u"Track configuration invalid . . . using program defaults.") {
        return 4;
    }
    return text.startsWith(u"Length / radius invalid.") ? 5 : 0;
}

MessageBox::Answer RecordBox(const MessageBox::Request& box)
{
    Require(box.title == u"Trackpace - Initialization Error", "every box has the start-up title");
    const int number = WarningNumber(box.text);
    Require(number != 0 && number != 1, "every box is one of the warnings about a file's text");
    current->log.push_back({Event::Kind::Box, number});
    return MessageBox::Answer::Ok;
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
    std::vector<int> boxes;
    for (const Event& event : home.log) {
        if (event.kind == Event::Kind::Box) {
            boxes.push_back(event.value);
        }
    }
    const bool corrupt = !boxes.empty() && boxes.front() == 2;
    Require(!corrupt || boxes.size() == 1, "the corrupt-file warning stands alone");
    const auto shown = [&boxes](int number) { return std::find(boxes.begin(), boxes.end(), number) != boxes.end(); };
    std::vector<Event> expected;
    if (corrupt) {
        expected.push_back({Event::Kind::Box, 2});
    }
    expected.push_back({Event::Kind::Load});
    if (shown(3)) {
        expected.push_back({Event::Kind::Box, 3});
    }
    expected.push_back({Event::Kind::Scale, scale});
    if (shown(4)) {
        expected.push_back({Event::Kind::Box, 4});
    }
    expected.push_back({General::DefTrackConfig == u"CIRCLE" ? Event::Kind::Circle : Event::Kind::Straight});
    if (shown(5)) {
        expected.push_back({Event::Kind::Box, 5});
    }
    expected.push_back({Event::Kind::Length, static_cast<int>(General::DefLength)});
    Require(home.log == expected, "boxes and hand-over in the order of the checks");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool presenter = [] {
        MessageBox::SetPresenter(RecordBox);
        return true;
    }();
    static_cast<void>(presenter);
    General::DefScale.clear();
    General::DefTrackConfig.clear();
    General::DefLength = 0.0F;
    General::MinLength = 1;
    General::MaxLength = 240;
    RecordingHome home;
    current = &home;
    // The reading the program does once it has the file's bytes; the file itself is
    // read by one plain open, which the tests cover.
    LoadSettingsText(home, QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    CheckInvariants(home);
    current = nullptr;
    return 0;
}
