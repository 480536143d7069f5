#include "text/LinkDetector.h"

#include <QUrl>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int maxLabelLength = 63;
constexpr int maxHostLength = 253;
constexpr int maxLocalPartLength = 64;

// Lower-case and sorted, to be searched without making a string per lookup.
const std::vector<std::string> &topLevelDomains()
{
    static const std::vector<std::string> domains = [] {
        const char *generic[] = { "com", "net", "org", "edu", "gov", "mil", "int", "info", "biz",
            "name", "pro", "mobi", "aero", "asia", "cat", "coop", "jobs", "museum", "tel", "travel",
            "xxx", "post", "app", "dev", "blog", "cloud", "page", "online", "site", "shop", "store",
            "tech", "xyz", "social", "news", "club", "live", "media", "link", "email", "space" };
        // Two-letter country codes; "py", "sh", "rs", "md" and "so" are left
        // out on purpose (file names).
        const char *countries
            = "ac ad ae af ag ai al am ao aq ar as at au aw ax az ba bb bd be bf bg bh bi bj bm "
              "bn bo br bs bt bw by bz ca cc cd cf cg ch ci ck cl cm cn co cr cu cv cw cx cy cz "
              "de dj dk dm do dz ec ee eg er es et eu fi fj fk fm fo fr ga gd ge gf gg gh gi gl "
              "gm gn gp gq gr gs gt gu gw gy hk hm hn hr ht hu id ie il im in io iq ir is it je "
              "jm jo jp ke kg kh ki km kn kp kr kw ky kz la lb lc li lk lr ls lt lu lv ly ma mc "
              "me mg mh mk ml mm mn mo mp mq mr ms mt mu mv mw mx my mz na nc ne nf ng ni nl no "
              "np nr nu nz om pa pe pf pg ph pk pl pm pn pr ps pt pw qa re ro ru rw sa sb sc sd "
              "se sg si sk sl sm sn sr ss st su sv sx sy sz tc td tf tg th tj tk tl tm tn to tr "
              "tt tv tw tz ua ug uk us uy uz va vc ve vg vi vn vu wf ws ye yt za zm zw";
        std::vector<std::string> list(std::begin(generic), std::end(generic));
        const QStringList codes
            = QString::fromLatin1(countries).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString &code : codes)
            list.push_back(code.toStdString());
        std::sort(list.begin(), list.end());
        return list;
    }();
    return domains;
}

bool isListedDomain(std::string_view lowered)
{
    const auto &domains = topLevelDomains();
    // Two letters, the commonest case by far in a text packed with host
    // names, are looked up in a table.
    static const std::vector<bool> twoLetters = [&domains] {
        std::vector<bool> table(26 * 26, false);
        for (const std::string &domain : domains) {
            if (domain.size() == 2)
                table[std::size_t((domain[0] - 'a') * 26 + (domain[1] - 'a'))] = true;
        }
        return table;
    }();
    if (lowered.size() == 2) {
        const auto isLower = [](char c) { return c >= 'a' && c <= 'z'; };
        if (!isLower(lowered[0]) || !isLower(lowered[1]))
            return false;
        return twoLetters[std::size_t((lowered[0] - 'a') * 26 + (lowered[1] - 'a'))];
    }
    return std::binary_search(domains.begin(), domains.end(), lowered, std::less<>());
}

bool isAsciiAlnum(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9');
}

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

bool isLocalPartCharacter(QChar c)
{
    return isAsciiAlnum(c) || c == u'.' || c == u'%' || c == u'+' || c == u'-' || c == u'_';
}

// A character that may stand inside the path, query or fragment of a link.
bool isLinkBodyCharacter(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80) {
        if (u <= 0x20 || u == 0x7f)
            return false;
        switch (u) {
        case u'<':
        case u'>':
        case u'"':
        case u'{':
        case u'}':
        case u'|':
        case u'\\':
        case u'^':
        case u'`':
            return false;
        default:
            return true;
        }
    }
    if (c.isSurrogate() || c.isSpace())
        return false;
    return c.isLetterOrNumber() || c.isMark();
}

bool isTrailingPunctuation(QChar c)
{
    switch (c.unicode()) {
    case u'.':
    case u',':
    case u':':
    case u';':
    case u'!':
    case u'?':
    case u'\'':
    case u'"':
    case u'*':
    case 0x2018:
    case 0x2019:
    case 0x201C:
    case 0x201D:
    case 0x2026:
        return true;
    default:
        return false;
    }
}

// Drops sentence punctuation and unmatched closing brackets from the end of a
// link body; never goes below `minEnd`. The brackets of the body are counted
// once, when a closing one first stands at the end, and the counts follow the
// end back: a long run of closing brackets costs one pass, a link that ends
// in none costs nothing.
int trimTrailing(QStringView text, int start, int end, int minEnd)
{
    static constexpr char16_t closers[] = { u')', u']', u'}' };
    static constexpr char16_t openers[] = { u'(', u'[', u'{' };
    const int bodyEnd = end;
    bool counted = false;
    qsizetype opened[3] = {};
    qsizetype closed[3] = {};
    while (end > minEnd) {
        const QChar last = text[end - 1];
        if (isTrailingPunctuation(last)) {
            --end;
            continue;
        }
        const auto closer = std::find(std::begin(closers), std::end(closers), last.unicode());
        if (closer == std::end(closers))
            break;
        if (!counted) {
            for (QChar c : text.mid(start, bodyEnd - start)) {
                for (int kind = 0; kind < 3; ++kind) {
                    opened[kind] += c == openers[kind];
                    closed[kind] += c == closers[kind];
                }
            }
            counted = true;
        }
        const auto kind = closer - std::begin(closers);
        if (closed[kind] <= opened[kind])
            break;
        --closed[kind];
        --end;
    }
    return end;
}

int scanBody(QStringView text, int from)
{
    int end = from;
    while (end < text.size() && isLinkBodyCharacter(text[end]))
        ++end;
    return end;
}

struct Host {
    int end = 0;
    QStringView lastLabel;
};

bool endsHostCleanly(QStringView text, int end)
{
    if (end >= text.size())
        return true;
    const QChar next = text[end];
    return !(isWordCharacter(next) || next == u'-' || next == u'@');
}

// The labels of a host name read so far: dot-separated runs of ASCII letters,
// digits and "-", 1 to 63 long, neither starting nor ending with "-", each
// starting at most maxHostLength after the host.
struct LabelChain {
    int host = -1; // where the host starts
    int next = 0; // where the next label starts
    int count = 0; // labels read
    int ends[3] = { -1, -1, -1 }; // the ends of the last three labels read, the last first
    bool goesOn = false; // the length bound, not the text, stopped the reading
};

// Reads the labels of `chain` from `chain.next` on; answers the longest host
// of at least `minLabels` labels whose last label passes `acceptLast` and
// which is not followed by more of a word.
template <typename Accept>
std::optional<Host> readLabels(
    QStringView text, LabelChain &chain, int minLabels, Accept acceptLast)
{
    std::optional<Host> longest;
    chain.goesOn = false;
    int i = chain.next;
    while (i < text.size()) {
        if (i - chain.host > maxHostLength) {
            chain.goesOn = true;
            break;
        }
        const int labelStart = i;
        while (i < text.size() && (isAsciiAlnum(text[i]) || text[i] == u'-')
            && i - labelStart < maxLabelLength + 1)
            ++i;
        if (i == labelStart || i - labelStart > maxLabelLength || text[labelStart] == u'-'
            || text[i - 1] == u'-')
            break;
        ++chain.count;
        chain.ends[2] = chain.ends[1];
        chain.ends[1] = chain.ends[0];
        chain.ends[0] = i;
        const QStringView label = text.mid(labelStart, i - labelStart);
        if (chain.count >= minLabels && acceptLast(label) && endsHostCleanly(text, i))
            longest = Host { i, label };
        if (i + 1 < text.size() && text[i] == u'.' && isAsciiAlnum(text[i + 1]))
            chain.next = ++i;
        else
            break;
    }
    return longest;
}

template <typename Accept>
std::optional<Host> scanHost(QStringView text, int from, int minLabels, Accept acceptLast)
{
    LabelChain chain { from, from };
    return readLabels(text, chain, minLabels, acceptLast);
}

bool isAlphabeticTld(QStringView label)
{
    return label.size() >= 2 && std::all_of(label.begin(), label.end(), isAsciiLetter);
}

// ":port" and a path, query or fragment after a host ending at `hostEnd`.
int extendAfterHost(QStringView text, int start, int hostEnd)
{
    int end = hostEnd;
    if (end < text.size() && text[end] == u':') {
        int p = end + 1;
        while (p < text.size() && text[p] >= u'0' && text[p] <= u'9')
            ++p;
        const int digits = p - end - 1;
        if (digits >= 1 && digits <= 5 && (p >= text.size() || !isAsciiAlnum(text[p])))
            end = p;
    }
    if (end < text.size() && (text[end] == u'/' || text[end] == u'?' || text[end] == u'#')) {
        const int bodyEnd = scanBody(text, end);
        end = trimTrailing(text, start, bodyEnd, end);
    }
    return end;
}

bool startsWithCaseless(QStringView text, int at, QLatin1String prefix)
{
    return text.mid(at).startsWith(prefix, Qt::CaseInsensitive);
}

std::optional<LinkMatch> matchEmail(QStringView text, int start);

// The host of a scheme link: up to the first "/", "?", "#" or character that
// cannot stand in a link.
int hostRegionEnd(QStringView text, int hostStart)
{
    int end = hostStart;
    while (end < text.size() && isLinkBodyCharacter(text[end]) && text[end] != u'/'
        && text[end] != u'?' && text[end] != u'#')
        ++end;
    return end;
}

// Whether trimming the end of a link whose host ends at `hostEnd` stops
// before it reaches the host: some character of the body at or after
// `hostEnd` is neither sentence punctuation nor a closing bracket. Only
// punctuation and brackets are read, and a scheme starts with a letter, so
// the texts read for all scheme starts in a run of link characters add up to
// the run once.
bool hostIsSettled(QStringView text, int hostEnd)
{
    for (int p = hostEnd; p < text.size() && isLinkBodyCharacter(text[p]); ++p) {
        const QChar c = text[p];
        if (!isTrailingPunctuation(c) && c != u')' && c != u']' && c != u'}')
            return true;
    }
    return false;
}

// Whether the scheme, user and host written from `start` to `authorityEnd`
// make a link: a host that starts with a letter, digit or "[", has no empty
// label, and that QUrl takes. QUrl reads this part the same way whatever
// follows, and in its tolerant mode takes any path, query or fragment after
// it, so it takes the whole link exactly when it takes this part.
bool isPlausibleAuthority(QStringView text, int start, int hostStart, int authorityEnd)
{
    QStringView host = text.mid(hostStart, authorityEnd - hostStart);
    if (const qsizetype at = host.lastIndexOf(u'@'); at >= 0)
        host = host.mid(at + 1);
    if (host.isEmpty() || !(host.front().isLetterOrNumber() || host.front() == u'[')
        || host.contains(u".."))
        return false;
    const QUrl url(text.mid(start, authorityEnd - start).toString(), QUrl::TolerantMode);
    return url.isValid() && !url.host().isEmpty();
}

std::optional<LinkMatch> matchScheme(QStringView text, int start)
{
    static const QLatin1String schemes[]
        = { QLatin1String("https://"), QLatin1String("http://"), QLatin1String("ftp://") };
    for (QLatin1String scheme : schemes) {
        if (!startsWithCaseless(text, start, scheme))
            continue;
        const int hostStart = start + int(scheme.size());
        const int hostEnd = hostRegionEnd(text, hostStart);
        // A host that fails is refused before the rest of the word is read:
        // a long word full of schemes without a host ("http://-http://-...")
        // would otherwise be read again from each of them.
        const bool settled = hostIsSettled(text, hostEnd);
        if (settled && !isPlausibleAuthority(text, start, hostStart, hostEnd))
            return std::nullopt;
        const int bodyEnd = scanBody(text, hostEnd);
        const int end = trimTrailing(text, start, bodyEnd, hostStart + 1);
        if (!settled && !isPlausibleAuthority(text, start, hostStart, std::min(hostEnd, end)))
            return std::nullopt;
        return LinkMatch { start, end - start, LinkMatch::Prefix::None };
    }
    if (startsWithCaseless(text, start, QLatin1String("mailto:"))) {
        const int addressStart = start + 7;
        if (addressStart < text.size() && isLocalPartCharacter(text[addressStart])) {
            if (auto address = matchEmail(text, addressStart)) {
                const int end = address->start + address->length;
                return LinkMatch { start, end - start, LinkMatch::Prefix::None };
            }
        }
    }
    return std::nullopt;
}

std::optional<LinkMatch> matchEmail(QStringView text, int start)
{
    int at = start;
    while (at < text.size() && at - start <= maxLocalPartLength && isLocalPartCharacter(text[at]))
        ++at;
    if (at == start || at - start > maxLocalPartLength || at >= text.size() || text[at] != u'@')
        return std::nullopt;
    const auto host = scanHost(text, at + 1, 2, isAlphabeticTld);
    if (!host)
        return std::nullopt;
    const QStringView address = text.mid(start, host->end - start);
    return LinkMatch { start, int(address.size()), LinkMatch::Prefix::Mailto };
}

// "www." may start again and again inside one long host name
// ("www.1-www.1-www..."). An earlier start whose host had no acceptable last
// label leaves its labels here: a later start inside them has the same labels
// after its first, none acceptable either, and reads on only from where the
// earlier one stopped, so a long host name is read once, not once per "www.".
std::optional<LinkMatch> matchWww(QStringView text, int start, LabelChain &failed)
{
    if (!startsWithCaseless(text, start, QLatin1String("www.")))
        return std::nullopt;
    std::optional<Host> host;
    bool readAgain = true;
    if (failed.count > 0 && start > failed.host && start < failed.ends[0]) {
        if (!failed.goesOn)
            return std::nullopt;
        // From inside one of the last two labels read, the labels after them
        // may still be this start's first or second; those it reads itself.
        if (failed.count >= 3 && start < failed.ends[2]) {
            failed.host = start;
            host = readLabels(text, failed, 0, isAlphabeticTld);
            readAgain = false;
        }
    }
    if (readAgain) {
        LabelChain chain { start, start };
        host = readLabels(text, chain, 3, isAlphabeticTld);
        if (!host)
            failed = chain;
    }
    if (!host)
        return std::nullopt;
    const int end = extendAfterHost(text, start, host->end);
    const QStringView written = text.mid(start, end - start);
    return LinkMatch { start, int(written.size()), LinkMatch::Prefix::Http };
}

std::optional<LinkMatch> matchBareHost(QStringView text, int start)
{
    if (start > 0) {
        const QChar previous = text[start - 1];
        if (previous == u'@' || previous == u'.' || previous == u'-' || previous == u'/'
            || previous == u'#')
            return std::nullopt;
    }
    const auto host = scanHost(
        text, start, 2, [](QStringView last) { return LinkDetector::isKnownTopLevelDomain(last); });
    if (!host)
        return std::nullopt;
    const int end = extendAfterHost(text, start, host->end);
    const QStringView written = text.mid(start, end - start);
    return LinkMatch { start, int(written.size()), LinkMatch::Prefix::Http };
}

} // namespace

namespace LinkDetector {

bool isKnownTopLevelDomain(QStringView label)
{
    if (label.size() < 2 || label.size() > 10)
        return false;
    // An ASCII label (every label the detector reads) is lowered in place,
    // with no string to allocate for each word that looks like a host.
    char lowered[10];
    for (qsizetype i = 0; i < label.size(); ++i) {
        const char16_t u = label[i].unicode();
        if (u >= 0x80) {
            // Unicode lowering can turn a letter into an ASCII one (the
            // Kelvin sign into "k"); the list holds only ASCII.
            const QString other = label.toString().toLower();
            for (QChar c : other) {
                if (c.unicode() >= 0x80)
                    return false;
            }
            return isListedDomain(other.toStdString());
        }
        lowered[i] = char(u >= u'A' && u <= u'Z' ? u + (u'a' - u'A') : u);
    }
    return isListedDomain(std::string_view(lowered, std::size_t(label.size())));
}

QList<LinkMatch> detect(QStringView text)
{
    return detect(text, text.size());
}

QList<LinkMatch> detect(QStringView text, qsizetype startsBefore)
{
    QList<LinkMatch> matches;
    const int n = int(std::min(text.size(), startsBefore));
    LabelChain failedWww;
    int i = 0;
    while (i < n) {
        const QChar c = text[i];
        const bool wordStart = i == 0 || !isWordCharacter(text[i - 1]);
        if (!wordStart || !(isAsciiAlnum(c) || c == u'_' || c == u'%' || c == u'+')) {
            ++i;
            continue;
        }
        // Most word starts begin no scheme and no "www.": the first letter
        // says so without comparing strings.
        const char16_t lower = isAsciiLetter(c) ? (c.unicode() | 0x20) : 0;
        std::optional<LinkMatch> match;
        if (lower == u'h' || lower == u'f' || lower == u'm')
            match = matchScheme(text, i);
        if (!match
            && (i == 0
                || (text[i - 1] != u'@' && text[i - 1] != u'/'
                    && !isLocalPartCharacter(text[i - 1]))))
            match = matchEmail(text, i);
        if (!match && isAsciiAlnum(c)) {
            if (lower == u'w')
                match = matchWww(text, i, failedWww);
            if (!match)
                match = matchBareHost(text, i);
        }
        if (match && match->length > 0) {
            i = match->start + match->length;
            matches.append(std::move(*match));
        } else {
            ++i;
        }
    }
    return matches;
}

} // namespace LinkDetector

QString LinkMatch::url(QStringView text) const
{
    const QStringView written = text.sliced(start, length);
    switch (prefix) {
    case Prefix::Http:
        return QLatin1String("http://") + written;
    case Prefix::Mailto:
        return QLatin1String("mailto:") + written;
    case Prefix::None:
        break;
    }
    return written.toString();
}
