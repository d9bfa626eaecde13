// The registry lookup and the start of the information tool, on any system.
#include "ui/about/SysInfo.h"

#include "core/General.h"
#include "core/MessageBox.h"

#include <QProcess>
#include <QtEndian>

#include <exception>

namespace {

const QString MsinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString LocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

}  // namespace

bool StartDetached(const QString& path)
{
    // The path is the program itself, never parsed as a command line: a path with
    // blanks cannot start some other program.
    return !path.isEmpty() && QProcess::startDetached(path, {});
}

bool GetKeyValue(Registry& registry, Registry::Key KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                 QString& KeyVal)
{
    Registry::Key key = 0;
    long opened = registry.OpenKey(KeyRoot, KeyName.toLocal8Bit(), 0, KeyAccessMask, key);
    // The first access asks for more than reading, which an ordinary user is refused
    // under HKEY_LOCAL_MACHINE: the key is there all the same, so read it as it may be.
    if (opened == RegAccessDenied) {
        opened = registry.OpenKey(KeyRoot, KeyName.toLocal8Bit(), 0, KeyReadMask, key);
    }
    if (opened != 0) {
        KeyVal.clear();
        return false;
    }
    QByteArray buffer(ValueBufferBytes, '\0');
    quint32 size = ValueBufferBytes;
    quint32 type = 0;
    if (registry.QueryValue(key, SubKeyRef.toLocal8Bit(), type, buffer, size) != 0) {
        KeyVal.clear();
        registry.CloseKey(key);
        return false;
    }
    if (size == 0) {
        registry.CloseKey(key);
        throw EmptyRegistryValue();
    }
    const QByteArray stored = buffer.left(static_cast<qsizetype>(std::min(size, ValueBufferBytes)));
    if (type == RegString) {
        // Stored with or without its terminating NUL; any other NUL is part of the text.
        // (Each piece is decoded on its own: some systems' decoding stops at a NUL.)
        QStringList pieces;
        for (const QByteArray& piece : (stored.endsWith('\0') ? stored.chopped(1) : stored).split('\0')) {
            pieces << QString::fromLocal8Bit(piece);
        }
        KeyVal = pieces.join(QChar(0));
    } else if (type == RegNumber && stored.size() >= 4) {
        KeyVal = QString::number(qFromLittleEndian<quint32>(stored.constData()));
    }
    registry.CloseKey(key);
    return true;
}

QString LocateByRegistry(Registry& registry, const std::function<bool(const QString&)>& fileExists)
{
    QString value;
    if (GetKeyValue(registry, LocalMachineRoot(), MsinfoKey, QStringLiteral("PATH"), value)) {
        return value;
    }
    if (GetKeyValue(registry, LocalMachineRoot(), LocationKey, QStringLiteral("MSINFO"), value)) {
        const QString path = value + QStringLiteral("\\MSINFO32.EXE");
        if (fileExists(path)) {
            return path;
        }
    }
    return {};
}

void StartSysInfo(const SysInfoTools& tools)
{
    bool started = false;
    try {
        const QString path = tools.locate();
        started = !path.isEmpty() && tools.start(path);
    } catch (const std::exception&) {
        started = false;
    }
    if (!started) {
        MessageBox::Show(General::AppTitle, SysInfoUnavailable, MessageBox::Icon::None);
    }
}
