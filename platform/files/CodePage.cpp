#include "platform/files/CodePage.h"

#include "platform/files/Cp1252.h"

#include <QByteArray>

#include <iconv.h>

#include <memory>

namespace tolvex {

namespace {

struct IconvClose {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using Converter = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvClose>;

Converter openConverter(int codePage)
{
    if (codePage <= 0)
        return Converter(nullptr);
    const iconv_t raw = iconv_open("UTF-16LE", QByteArray("CP" + QByteArray::number(codePage)).constData());
    return Converter(raw == reinterpret_cast<iconv_t>(-1) ? nullptr : raw);
}

} // namespace

bool knowsCodePage(int codePage)
{
    return codePage == 1252 || openConverter(codePage) != nullptr;
}

std::optional<QString> decodeCodePage(QByteArrayView bytes, int codePage)
{
    // Our own table keeps the five bytes Windows-1252 leaves undefined.
    if (codePage == 1252)
        return cp1252::decode(bytes);
    const Converter cd = openConverter(codePage);
    if (!cd)
        return std::nullopt;
    // A single-byte code page gives one UTF-16 unit per byte at most.
    QString out(bytes.size(), Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char* outPtr = reinterpret_cast<char*>(out.data());
    size_t outLeft = size_t(out.size()) * sizeof(QChar);
    if (iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft) == size_t(-1))
        return std::nullopt;
    out.truncate(out.size() - qsizetype(outLeft / sizeof(QChar)));
    return out;
}

} // namespace tolvex
