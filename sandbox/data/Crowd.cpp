#include "data/Crowd.h"

#include "data/Seed.h"

using namespace Qt::StringLiterals;

namespace sandbox {

namespace {

// Short enough that first + "_" + last + a six-digit number stays within 20.
const QStringList &firstNames()
{
    static const QStringList names { u"Ada"_s, u"Ben"_s, u"Cleo"_s, u"Dev"_s, u"Elin"_s, u"Femi"_s,
        u"Gus"_s, u"Hana"_s, u"Ivo"_s, u"Juno"_s, u"Kai"_s, u"Lena"_s, u"Milo"_s, u"Nia"_s,
        u"Otto"_s, u"Pia"_s, u"Quin"_s, u"Rosa"_s, u"Sami"_s, u"Tove"_s, u"Uma"_s, u"Vik"_s,
        u"Wren"_s, u"Yara"_s, u"Zeno"_s };
    return names;
}

const QStringList &lastNames()
{
    static const QStringList names { u"Lind"_s, u"Moss"_s, u"Okafor"_s, u"Park"_s, u"Reyes"_s,
        u"Sato"_s, u"Novak"_s, u"Berg"_s, u"Costa"_s, u"Dahl"_s, u"Ekman"_s, u"Frey"_s, u"Haas"_s,
        u"Ito"_s, u"Kovac"_s, u"Lowe"_s, u"Marsh"_s, u"Nagy"_s };
    return names;
}

const QStringList &descriptions()
{
    static const QStringList texts { u"Reading, walking, #coffee."_s,
        u"Here for the conversations."_s, u"Photos of bridges and #trains."_s, u"Mostly lurking."_s,
        u"Plants, bikes and the odd #recipe."_s, QString() };
    return texts;
}

} // namespace

QList<Id> addCrowd(Store &store, int count, const QDateTime &now)
{
    QList<Id> ids;
    ids.reserve(count);
    // Numbered after the users there are, so every call goes on where the last stopped.
    int serial = int(store.users().size());
    for (int made = 0; made < count;) {
        ++serial;
        const QString first = firstNames().at(serial % firstNames().size());
        const QString last = lastNames().at((serial / firstNames().size()) % lastNames().size());
        User user;
        user.username = (first + u'_' + last).toLower() + QString::number(serial);
        if (store.userByName(user.username))
            continue; // a seeded or saved user of that name
        user.name = first + u' ' + last;
        user.description = descriptions().at(serial % descriptions().size());
        user.password = QString::fromLatin1(kOtherUsersPassword);
        user.avatar = user.username;
        user.createdAt = now.addSecs(-3600 * qint64(serial % 5000));
        ids.append(store.addUser(user).id);
        ++made;
    }
    return ids;
}

} // namespace sandbox
