// Symbolic links on POSIX systems, read byte for byte.
#include "core/Files.h"

#include <unistd.h>

#include <vector>

std::optional<QByteArray> ReadLink(const QByteArray& link)
{
    // The link's target may be longer than any fixed buffer; grow until it fits.
    for (std::size_t size = 256; size <= (1U << 20); size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t length = ::readlink(link.constData(), buffer.data(), buffer.size());
        if (length < 0) {
            return std::nullopt;
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return QByteArray(buffer.data(), length);
        }
    }
    return std::nullopt;
}
