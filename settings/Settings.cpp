// The settings file: its line kinds, the checks with their warnings, and the writer.
#include "settings/Settings.h"

#include "core/General.h"
#include "core/HomeLink.h"
#include "core/MessageBox.h"
#include "core/Numbers.h"
#include "core/Scales.h"


#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace {

// The file as written is under 100 bytes; anything this large is not ours.
constexpr qint64 MaxFileBytes = 1024 * 1024;
// The key-line counter is 16 bits wide; its 32,767th line makes the file corrupt.
constexpr int MaxKeyLines = 32766;
constexpr int MaxShownScaleChars = 32;
constexpr QByteArrayView ByteOrderMark("\xEF\xBB\xBF");

const QString NotFoundText = QStringLiteral(" not found . . . using program defaults.");
const QString CorruptText = QStringLiteral("The initialization file is either corrupt or contains\r"
                                           "invalid data . . . using program defaults.");
const QString ScaleNotFoundText = QStringLiteral(" Scale not found . . . using program defaults.");
const QString TrackConfigText = QStringLiteral("Track configuration invalid . . . using program defaults.");
const QString LengthText = QStringLiteral("Length / radius invalid.  Value must be an integer\r"
                                          "between 1 and 240 inches . . . using program defaults.");

const QString DefaultScale = QStringLiteral("HO");
constexpr float DefaultLength = 48.0F;

// Upper case for ASCII letters only: other bytes of the file show as they stand.
QString AsciiUpper(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c >= u'a' && c <= u'z') {
            c = QChar(c.unicode() - (u'a' - u'A'));
        }
    }
    return out;
}

void Warn(const QString& message)
{
    General::InitMessage = message;
    ShowInitError();
}

void ReportCorrupt(qint16& count)
{
    General::IniKeys.clear();
    General::IniValues.clear();
    count = 0;
    Warn(CorruptText);
}

// Where `wanted` next occurs in `text` from `from` on, or the text's size; kept in
// `next` so that each byte is searched once, however many lines the text has.
qsizetype NextOf(char wanted, QByteArrayView text, qsizetype from, qsizetype& next)
{
    if (next < from) {
        const void* found = std::memchr(text.data() + from, wanted, static_cast<std::size_t>(text.size() - from));
        next = found != nullptr ? static_cast<const char*>(found) - text.data() : text.size();
    }
    return next;
}

// The key lines of `text` in file order, up to `limit` + 1 of them, as views into
// it. Lines end at CR LF, at CR alone and at LF alone; the last one may lack an end.
// Blank lines, headers and comments are passed over.
std::vector<QByteArrayView> KeyLines(QByteArrayView text, std::size_t limit)
{
    std::vector<QByteArrayView> lines;
    qsizetype nextCr = -1;
    qsizetype nextLf = -1;
    for (qsizetype start = 0; start < text.size() && lines.size() <= limit;) {
        const qsizetype stop = std::min(NextOf('\r', text, start, nextCr), NextOf('\n', text, start, nextLf));
        if (stop != start && text.at(start) != '[' && text.at(start) != ';') {
            lines.push_back(text.sliced(start, stop - start));
        }
        const bool crLf = stop + 1 < text.size() && text.at(stop) == '\r' && text.at(stop + 1) == '\n';
        start = stop + (crLf ? 2 : 1);
    }
    return lines;
}

// Without the folder (see General::SetIniFolder) there is no path to read or write.
const QString NoFolderText = QStringLiteral("The folder for the settings could not be found, so they can be "
                                            "neither read nor saved.");
const QString IniName = QStringLiteral("Trackpace.ini");

QString ShownScale(const QString& scale)
{
    if (scale.size() <= MaxShownScaleChars) {
        return scale;
    }
    return scale.left(MaxShownScaleChars) + QStringLiteral("...");
}

// The known keys of the first `count` key lines into the Def values; the last wins.
void TakeKeyLines(qint16 count)
{
    for (qsizetype i = 0; i < count; ++i) {
        const QString& key = General::IniKeys.at(i);
        const QString& value = General::IniValues.at(i);
        if (key == u"Scale") {
            General::DefScale = AsciiUpper(value);
        } else if (key == u"TrackConfig") {
            General::DefTrackConfig = AsciiUpper(value);
        } else if (key == u"TrackLength") {
            General::DefLength = TrackLengthValue(value);
        }
    }
}

// The known keys into the Def values, then the three checks, which hand the values
// to the main window.
void ApplyKeyLines(HomeLink& home, qint16 count)
{
    TakeKeyLines(count);
    CheckScale(home);
    CheckTrackConfig(home);
    CheckTrackLength(home);
}

}  // namespace

float TrackLengthValue(const QString& value)
{
    const QByteArray text = value.toLatin1().trimmed();
    if (text.isEmpty()) {
        return 0.0F;
    }
    const std::optional<double> number = DecimalValue(std::string_view(text.constData(), text.size()));
    if (!number || !std::isfinite(*number) || std::fabs(*number) > std::numeric_limits<float>::max()) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    return static_cast<float>(std::floor(*number));
}

void ShowInitError()
{
    MessageBox::Show(InitErrorTitle, General::InitMessage, MessageBox::Icon::Exclamation);
}

bool FileExists(const QByteArray& path)
{
    // Directories, FIFOs and devices do not count: nothing of that kind is opened.
    return IsRegularFile(path);
}

void ReadSettingsFile(qint16& count)
{
    General::IniKeys.clear();
    General::IniValues.clear();
    count = 0;
    if (General::IniPath.isEmpty()) {
        Warn(IniName + NotFoundText + u'\r' + NoFolderText);
        return;
    }
    if (!FileExists(General::IniPathNative)) {
        Warn(General::IniPath + NotFoundText);
        return;
    }
    // The file is opened once more to read it; should something other than a file
    // have taken its place since, it is refused rather than waited on.
    const std::optional<QByteArray> bytes = ReadRegularFile(General::IniPathNative, MaxFileBytes);
    if (!bytes) {
        ReportCorrupt(count);
        return;
    }
    ReadSettingsText(*bytes, count);
}

void ReadSettingsText(const QByteArray& text, qint16& count)
{
    General::IniKeys.clear();
    General::IniValues.clear();
    count = 0;
    // Editors on Windows often start a UTF-8 file with a byte-order mark; it is no
    // part of the first line.
    QByteArrayView bytes(text);
    if (bytes.startsWith(ByteOrderMark)) {
        bytes = bytes.sliced(ByteOrderMark.size());
    }
    // The key-line counter is 16 bits wide; one line more than it holds is corrupt,
    // as is a key line without "=".
    const std::vector<QByteArrayView> lines = KeyLines(bytes, MaxKeyLines);
    if (lines.size() > MaxKeyLines) {
        ReportCorrupt(count);
        return;
    }
    for (const QByteArrayView line : lines) {
        const qsizetype p = line.indexOf('=');
        if (p < 0) {
            ReportCorrupt(count);
            return;
        }
        General::IniKeys.append(QString::fromLatin1(line.first(p)));
        General::IniValues.append(QString::fromLatin1(line.sliced(p + 1)));
    }
    count = static_cast<qint16>(General::IniValues.size());
}

void LoadSettings(HomeLink& home)
{
    qint16 count = 0;
    ReadSettingsFile(count);
    ApplyKeyLines(home, count);
}

void LoadSettingsText(HomeLink& home, const QByteArray& text)
{
    qint16 count = 0;
    ReadSettingsText(text, count);
    ApplyKeyLines(home, count);
}

void CheckScale(HomeLink& home)
{
    if (General::DefScale.isEmpty()) {
        General::DefScale = DefaultScale;
    }
    home.EnsureLoaded();
    const int index = ScaleIndexOf(General::DefScale);
    if (index != 0) {
        home.SelectScale(index);
        return;
    }
    Warn(ShownScale(General::DefScale) + ScaleNotFoundText);
    General::DefScale = DefaultScale;
    home.SelectScale(DefaultScaleIndex);
}

void CheckTrackConfig(HomeLink& home)
{
    if (General::DefTrackConfig.isEmpty()) {
        General::DefTrackConfig = StraightConfig;
    }
    if (General::DefTrackConfig == CircleConfig) {
        home.SelectCircle();
    } else if (General::DefTrackConfig == StraightConfig) {
        home.SelectStraight();
    } else {
        Warn(TrackConfigText);
        General::DefTrackConfig = StraightConfig;
        home.SelectStraight();
    }
}

void CheckTrackLength(HomeLink& home)
{
    if (General::DefLength == 0.0F) {
        General::DefLength = DefaultLength;
    }
    // Written as "not within" so that an unreadable value (NaN) is rejected too.
    if (!(General::DefLength >= ShortestLength && General::DefLength <= LongestLength)) {
        Warn(LengthText);
        General::DefLength = DefaultLength;
    }
    home.SetLength(static_cast<int>(std::lround(General::DefLength)));
}

WriteResult WriteSettingsFile()
{
    if (General::IniPath.isEmpty()) {
        return {false, NoFolderText};
    }
    const QString text = QStringLiteral("[TRACKPACE]\r\nScale=%1\r\nTrackConfig=%2\r\nTrackLength=%3\r\n")
                             .arg(General::DefScale, General::DefTrackConfig, WholeText(General::DefLength));
    return WriteOwnFile(General::IniPathNative, text.toLatin1());
}
