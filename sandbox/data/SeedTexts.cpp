#include "data/SeedTexts.h"

using namespace Qt::StringLiterals;

namespace sandbox::seedtexts {

QList<SeedUser> users()
{
    // Ids follow this order: demo is 1, velto is 2.
    return {
        { u"demo", u"Demo User", u"Trying out Velto against the sandbox." },
        { u"velto", u"Velto", u"News about the Velto desktop client." },
        { u"alice", u"Alice Moreau", u"Type designer. Coffee first. #typography" },
        { u"bob_t", u"Bob Tanaka", u"Backend by day, synths by night 🎹" },
        { u"carol", u"Carol Nguyen", u"Maps, trains and open data." },
        { u"dmitri", u"Дмитрий Волков", u"Compilers, chess, long walks." },
        { u"emma_w", u"Emma Whitfield", u"Runner. Reader. Occasional baker." },
        { u"farid", u"فريد الحسن", u"مهندس برمجيات من عمّان" },
        { u"gili", u"גילי כהן", u"מעצבת ממשקים, תל אביב" },
        { u"hana", u"花 Hana Sato", u"Photos of rainy streets 📷" },
        { u"ingrid", u"Ingrid Sørensen", u"Sailing and Rust, in that order ⛵" },
        { u"jonas", u"Jonas Becker", u"Linux desktop tinkerer." },
        { u"kofi", u"Kofi Mensah", u"Product person. Jollof expert." },
        { u"lucia", u"Lucía Fernández", u"Illustration & comics ✏️" },
        { u"mei", u"陈美 Mei Chen", u"Data viz at small scale." },
        { u"noah", u"Noah Fischer", u"Cycling everywhere 🚲" },
        { u"olga", u"Olga Petrova", u"Translator, polyglot, tea." },
        { u"priya", u"Priya Raman", u"Accessibility advocate." },
        { u"quinn", u"Quinn Adler", u"Game jams and pixel art 👾" },
        { u"rafa", u"Rafael Souza 🌊", u"Surf, code, repeat." },
        { u"sara", u"Sara Lindqvist", u"Librarian of the internet." },
        { u"tomas", u"Tomás Ortega", u"Audio engineer 🎧" },
        { u"uma", u"Uma Iyer", u"Gardening and graphs 🌱" },
        { u"victor", u"Victor Hugo Lima", u"Not that one." },
        { u"wen", u"Wen Li", u"Night owl, early bird, both." },
        { u"xavier", u"Xavier Dubois", u"Boulangerie apprentice 🥖" },
        { u"yara", u"يارا منصور", u"أحب القراءة والسفر" },
        { u"zoe", u"Zoë Hart ✨", u"Stars, telescopes and bad puns." },
        { u"ada", u"Ada Okafor", u"Embedded systems, tiny blinking lights." },
        { u"ben", u"Ben Carter", u"Dad jokes as a service." },
        { u"chloe", u"Chloé Martin", u"UX writer. Words matter." },
        { u"diego", u"Diego Alvarez", u"Football and functional programming." },
        { u"elif", u"Elif Yılmaz", u"Istanbul ↔ Berlin" },
        { u"felix", u"Felix Wagner", u"Keyboard collector ⌨️" },
        { u"greta", u"Greta Holm", u"Climate data, cold water swims." },
        { u"hugo", u"Hugo Laurent", u"Espresso nerd ☕" },
        { u"isla", u"Isla MacLeod", u"Highlands photographer." },
        { u"jamal", u"Jamal Reed", u"Jazz and JavaScript." },
        { u"kai", u"Kai Nakamura", u"Mechanical watches, slow mornings." },
        { u"leo", u"Leo Rossi", u"Pizza is a vegetable 🍕" },
        { u"maya", u"Maya Goldberg", u"Poetry and Postgres." },
        { u"nils", u"Nils Andersson", u"Birdwatching 🐦" },
        { u"dev_null", u"/dev/null", u"Writes only." },
        { u"coffee4ever", u"Coffee Forever", u"☕☕☕" },
    };
}

QStringList hashtags()
{
    return { u"coffee"_s, u"linux"_s, u"qt"_s, u"photography"_s, u"running"_s, u"music"_s,
        u"books"_s, u"cats"_s, u"rain"_s, u"opensource"_s, u"cooking"_s, u"travel"_s, u"design"_s,
        u"gamedev"_s, u"cycling"_s, u"gardening"_s, u"home-office"_s, u"100DaysOfCode"_s,
        u"typography"_s, u"i18n"_s };
}

QStringList emoji()
{
    return { u"🎉"_s, u"🚀"_s, u"😀"_s, u"☕"_s, u"🌧️"_s, u"🐈"_s, u"🍕"_s, u"📚"_s, u"🎧"_s, u"🌱"_s,
        u"✨"_s, u"🙌"_s, u"😅"_s, u"🔥"_s, u"🌊"_s, u"🏃"_s, u"👩‍💻"_s, u"🇯🇵"_s, u"👍🏽"_s };
}

QStringList things()
{
    return { u"the new terminal font"_s, u"tabs vs spaces"_s, u"the aurora forecast"_s,
        u"that keyboard layout"_s, u"the train strike"_s, u"dark mode everywhere"_s,
        u"the solar eclipse"_s, u"variable fonts"_s, u"the Wayland session"_s,
        u"sourdough starters"_s, u"the podcast everyone mentions"_s, u"mechanical pencils"_s,
        u"the city's new bike lanes"_s, u"tiling window managers"_s };
}

QStringList places()
{
    return { u"Lisbon"_s, u"Kyoto"_s, u"Reykjavík"_s, u"Montréal"_s, u"Berlin"_s, u"Nairobi"_s,
        u"Oaxaca"_s, u"Tallinn"_s, u"Hobart"_s, u"Porto"_s, u"Edinburgh"_s, u"Busan"_s };
}

QStringList foods()
{
    return { u"dal"_s, u"ramen"_s, u"shakshuka"_s, u"pierogi"_s, u"tacos al pastor"_s, u"risotto"_s,
        u"jollof rice"_s, u"bibimbap"_s };
}

QStringList books()
{
    return { u"\"The Long Way Round\""_s, u"\"Notes on Light\""_s, u"\"A Field Guide to Clouds\""_s,
        u"\"The Quiet Compiler\""_s, u"\"Salt and Stone\""_s, u"\"Maps of Nowhere\""_s };
}

QStringList projects()
{
    return { u"tidepool"_s, u"pixelfork"_s, u"quietbar"_s, u"lanternd"_s, u"mossy"_s };
}

QStringList slugs()
{
    return { u"why-small-tools-win"_s, u"notes-from-the-meetup"_s, u"a-year-of-cycling"_s,
        u"2024/05/fonts-on-linux"_s, u"recipes/weeknight-dal"_s, u"posts/hello-world"_s,
        u"talks/qt-at-scale"_s, u"wiki/Unicode_equivalence"_s, u"p/42?ref=stream"_s,
        u"gallery#top"_s };
}

QStringList schemeLinkForms()
{
    return { u"https://example.org/{slug}"_s, u"http://blog.example.com/{slug}"_s,
        u"https://www.example.net/{slug}"_s, u"https://docs.example.io/{slug}"_s };
}

QStringList bareLinkForms()
{
    return { u"www.example.com/{slug}"_s, u"example.net/{slug}"_s, u"notes.example.org"_s,
        u"www.example.dev"_s };
}

QStringList posts()
{
    return {
        u"Morning run done: {n}k along the river. {emoji} #running"_s,
        u"Just finished reading {book}. Recommended. #books"_s,
        u"Anyone else thinking about {thing} today? {emoji}"_s,
        u"New post on my blog: {link}"_s,
        u"Slides from today's talk are up at {bare}"_s,
        u"{place} in the rain is something else. {img} #photography #rain"_s,
        u"Coffee number {n}. Send help. #coffee"_s,
        u"Shipping {project} {version} today {emoji} Changelog: {link}"_s,
        u"TIL about {thing}. Wrote it down here: {bare}"_s,
        u"Hot take: {thing} is overrated."_s,
        u"Listening to the same album on repeat again #music {emoji}"_s,
        u"Cooking {food} tonight. Recipe: {bare} #cooking"_s,
        u"Landed in {place} ✈️ #travel"_s,
        u"The cat has claimed my keyboard again #cats {emoji}"_s,
        u"Quiet evening, fixing a flaky test in {project}. #opensource"_s,
        u"Look at this light! {img}"_s,
        u"@{user} thanks for the tip about {thing}!"_s,
        u"Reading {link} and nodding a lot."_s,
        u"Does anyone have a good guide on {thing}? Bonus points for {bare}"_s,
        u"Day {n} of #100DaysOfCode: finally understood move semantics."_s,
        u"Working from the kitchen table today #home-office {emoji}"_s,
        u"Planted tomatoes, basil and far too much mint. #gardening {emoji}"_s,
        u"New wallpaper, same old desktop #linux"_s,
        u"{place} tomorrow, any coffee recommendations? #coffee #travel"_s,
        u"Built a tiny #qt app to track my plants, it talks to {bare}"_s,
        u"If you read one thing this week, make it {link} — really."_s,
        u"A sentence that goes on for a while because sometimes a thought needs room to "
        u"breathe, to wander past the obvious and loop back around, which is exactly what "
        u"this one does before ending with a link (see {link}) and a tag #books."_s,
        u"Weekend plan: {food}, a long walk and {book}."_s,
        u"Anyone going to the meetup in {place}? #design"_s,
        u"Small joys: a clean inbox and a warm mug. {emoji}"_s,
        u"Pair programming with @{user} on {project}, going well so far."_s,
        u"Took the long way home through {place} (photos: {img})"_s,
    };
}

QStringList unicodePosts()
{
    return {
        u"صباح الخير من عمّان ☀️ القهوة جاهزة"_s,
        u"أقرأ كتابا جديدا هذا الأسبوع 📚 #books"_s,
        u"שבת שלום לכולם 🕯️"_s,
        u"מישהו ממליץ על ספר טוב? #books"_s,
        u"Testing mixed text: مرحبا بالعالم inside an English sentence #i18n"_s,
        u"今日は雨ですね 🌧️ #rain"_s,
        u"Καλημέρα! Σήμερα βρέχει ☔"_s,
        u"Ça marche ! Le café est prêt ☕ #café"_s,
        u"Grüße aus {place}! Das Wetter ist herrlich 🌞"_s,
        u"Combining marks: e\u0301 looks like é but is two code points #i18n"_s,
        u"👩‍💻👨🏾‍🚀🧑‍🍳 emoji sequences are fun to count"_s,
        u"🇩🇪🇫🇷🇯🇵🇧🇷 flags from this year's trips #travel"_s,
        u"Привет! Кто-нибудь читал {book}?"_s,
        u"𝓕𝓪𝓷𝓬𝔂 letters from the mathematical alphabet block"_s,
    };
}

QStringList demoMentions()
{
    return {
        u"@demo have you tried {thing} yet?"_s,
        u"@demo welcome aboard! 👋"_s,
        u"Thanks @demo for the link about {thing} {emoji}"_s,
        u"@demo @{user} lunch on Friday?"_s,
        u"cc @demo, you asked about this: {link}"_s,
        u"@demo your photo from {place} made my day {emoji}"_s,
        u"Shout-out to @demo for fixing the build #opensource"_s,
        u"@demo did you see the new {project} release?"_s,
    };
}

QStringList demoPosts()
{
    return {
        u"Hello, stream! First post from Velto {emoji}"_s,
        u"Trying out the sandbox. Everything is so fast here."_s,
        u"Reading {link} over breakfast #coffee"_s,
        u"Anyone want to talk about {thing}? @{user} I know you have opinions."_s,
        u"Weekend in {place} #travel {emoji}"_s,
        u"Note to self: {bare}"_s,
    };
}

QStringList replies()
{
    return {
        u"agreed!"_s,
        u"haha, same here 😅"_s,
        u"not sure about that, but tell me more"_s,
        u"link? I'd love to read it"_s,
        u"this is the way."_s,
        u"{emoji}{emoji}"_s,
        u"did you try {thing}?"_s,
        u"@{user} what do you think?"_s,
        u"thanks, fixed it"_s,
        u"I wrote about this once: {bare}"_s,
        u"strong disagree, {thing} is great"_s,
        u"sending this to @{user} right away"_s,
        u"مرحبا! رأي جميل"_s,
        u"ok but have you been to {place}?"_s,
    };
}

QStringList makerPosts()
{
    return {
        u"Velto {version} is out: faster stream loading and a new side bar. #linux"_s,
        u"Tip: press the refresh shortcut twice to reload avatars. {emoji}"_s,
        u"We are reading every bug report, thank you! {bare}"_s,
    };
}

} // namespace sandbox::seedtexts
