#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// Finds the links in a text, left to right, without overlaps. Positions are
// UTF-16 code units. The rules, in the order they are tried at the start of
// each word (a position whose previous character is not a letter, digit or
// "_"):
//
// 1. A scheme link: "http://", "https://" or "ftp://" (any letter case)
//    followed by a host, or "mailto:" followed by an e-mail address. The value
//    is the text as written.
// 2. An e-mail address: a local part of ASCII letters, digits and ".%+-_"
//    (at most 64), "@", then a domain of at least two labels whose last label
//    has two or more letters. The value is "mailto:" and the address.
// 3. "www." (any case) followed by a host of at least one more label; the
//    last label has two or more letters. The value is "http://" and the text.
// 4. A bare host name: two or more labels of ASCII letters, digits and "-"
//    whose last label is a known top-level domain (the common generic ones
//    and the two-letter country codes, except "py", "sh", "rs", "md" and
//    "so", which are far more often file names). Not after "@", ".", "-",
//    "/" or "#": "@bob.com" is a mention, "#tag.de" a hashtag. The value is
//    "http://" and the text.
//
// After the host of rules 1, 3 and 4 an optional ":port" and a path, query or
// fragment ("/", "?", "#") follow, up to white space or a character that
// cannot stand in a link: ASCII controls, `<>"{}|\^` and the backtick,
// characters outside the basic plane (emoji) and non-ASCII symbols and
// punctuation; non-ASCII letters, digits and marks are kept. Trailing
// sentence punctuation (.,:;!?'"*, typographic quotes, the ellipsis) is not
// part of a link, nor is a closing bracket without its opening one inside the
// link ("(see example.com/a)" links "example.com/a",
// "en.wikipedia.org/wiki/A_(b)" keeps its bracket).
//
// Not detected: IP addresses and "localhost" without a scheme, other schemes
// (file:, javascript:, custom handlers), internationalised host names
// without a scheme.
// A link found: where it is, and what its value puts before the characters
// (so that finding a text full of links makes no string for each).
struct LinkMatch {
    enum class Prefix : quint8 { None, Http, Mailto };
    int start = 0;
    int length = 0;
    Prefix prefix = Prefix::None;

    // The value of the link found in `text`: "http://a.co" for "a.co".
    QString url(QStringView text) const;

    friend bool operator==(const LinkMatch &, const LinkMatch &) = default;
};
// Moved by a plain memory copy, so the list of a text full of links grows cheaply.
Q_DECLARE_TYPEINFO(LinkMatch, Q_RELOCATABLE_TYPE);

namespace LinkDetector {

QList<LinkMatch> detect(QStringView text);
// The links of detect(text) that start before `startsBefore`; the text after
// the last of them is not read.
QList<LinkMatch> detect(QStringView text, qsizetype startsBefore);

// True when the last label names a top-level domain of rule 4.
bool isKnownTopLevelDomain(QStringView label);

} // namespace LinkDetector
