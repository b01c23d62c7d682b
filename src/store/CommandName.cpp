#include "CommandName.h"

#include <locale.h>
#include <optional>
#include <utility>
#include <wctype.h>
#ifdef Q_OS_MACOS
#include <xlocale.h>
#endif

using namespace Qt::StringLiterals;

namespace {

constexpr std::pair<uchar, char16_t> namedEscapes[] = {{'\\', u'\\'}, {'\b', u'b'}, {'\f', u'f'},
                                                       {'\n', u'n'},  {'\r', u'r'}, {'\t', u't'}};

void appendEscapedByte(QString &out, uchar byte) {
    for (const auto &[raw, letter] : namedEscapes) {
        if (byte == raw) {
            out += u'\\';
            out += QChar(letter);
            return;
        }
    }
    if (byte < 0x20)
        out += u'^' + QChar(char16_t(byte + 0x40));
    else if (byte >= 0x7f)
        out += u"\\x"_s + QString::number(byte, 16).rightJustified(2, u'0');
    else
        out += QChar(char16_t(byte));
}

struct Utf8Character {
    char32_t codePoint;
    qsizetype length;
};

// The multi-byte character at the start of `bytes`, decoded as glibc's mbrtowc does in a
// UTF-8 locale: no overlong forms, no surrogates, nothing past U+10FFFF, nothing truncated.
std::optional<Utf8Character> leadingUtf8Character(QByteArrayView bytes) {
    const uchar lead = uchar(bytes.front());
    qsizetype length = 0;
    char32_t codePoint = 0;
    uchar low = 0x80; // the second byte's range, narrower after some leads
    uchar high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        codePoint = lead & 0x1f;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        codePoint = lead & 0x0f;
        low = lead == 0xe0 ? 0xa0 : 0x80;
        high = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        codePoint = lead & 0x07;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return std::nullopt;
    }
    if (bytes.size() < length)
        return std::nullopt;
    for (qsizetype i = 1; i < length; ++i) {
        const uchar next = uchar(bytes[i]);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xbf))
            return std::nullopt;
        codePoint = (codePoint << 6) | (next & 0x3f);
    }
    return Utf8Character{codePoint, length};
}

// lsof asks the C library whether a character prints, so the same table decides here.
bool printableInUtf8Locale(char32_t codePoint) {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    return utf8 && iswprint_l(wint_t(codePoint), utf8);
}

void appendCodePoint(QString &out, char32_t codePoint) {
    if (QChar::requiresSurrogates(codePoint)) {
        out += QChar(QChar::highSurrogate(codePoint));
        out += QChar(QChar::lowSurrogate(codePoint));
    } else {
        out += QChar(char16_t(codePoint));
    }
}

} // namespace

QString lsofCommandName(QByteArrayView comm, LsofLocale locale) {
    QString out;
    qsizetype i = 0;
    while (i < comm.size()) {
        if (locale == LsofLocale::utf8) {
            const std::optional<Utf8Character> character = leadingUtf8Character(comm.sliced(i));
            if (character && printableInUtf8Locale(character->codePoint)) {
                // Not QString::fromUcs4, which would take U+FEFF for a byte order mark.
                appendCodePoint(out, character->codePoint);
                i += character->length;
                continue;
            }
        }
        appendEscapedByte(out, uchar(comm[i]));
        ++i;
    }
    return out;
}

bool commandNameMatches(QByteArrayView comm, const QString &command) {
    return lsofCommandName(comm, LsofLocale::c) == command ||
           lsofCommandName(comm, LsofLocale::utf8) == command;
}
