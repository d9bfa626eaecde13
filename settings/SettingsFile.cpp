// How Save writes the new text, on every system.
#include "settings/SettingsFile.h"

#include "core/Files.h"

std::optional<QString> WriteContent(QFileDevice& file, QByteArrayView bytes, qint64& written)
{
    return WriteAll(file, bytes, &written);
}
