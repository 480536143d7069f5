#pragma once

#include <QStringList>

// Word lists and post templates for the seeded world. Placeholders in
// templates: {tag} {tag2} {user} {link} {bare} {img} {emoji} {thing} {place}
// {food} {book} {n} {project} {version}.
namespace sandbox::seedtexts {

struct SeedUser {
    const char16_t *username;
    const char16_t *name;
    const char16_t *description;
};

QList<SeedUser> users();
QStringList hashtags();
QStringList emoji();
QStringList things();
QStringList places();
QStringList foods();
QStringList books();
QStringList projects();
QStringList slugs();
QStringList schemeLinkForms(); // with {slug}
QStringList bareLinkForms(); // with {slug}
QStringList posts(); // top-level posts
QStringList unicodePosts(); // right-to-left, CJK, combining marks, emoji sequences
QStringList demoMentions(); // each mentions @demo
QStringList demoPosts(); // written by the demo user
QStringList replies(); // start after "@parent "
QStringList makerPosts(); // by the maker's account

} // namespace sandbox::seedtexts
