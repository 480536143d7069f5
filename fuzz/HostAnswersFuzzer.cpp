// What other hosts answer, chosen by the first byte: 0 the link shortener's
// body, 1 the image host's, 2 the address the sign-in page redirects to.
#include "FuzzHarness.h"

#include "service/LinkShortener.h"
#include "service/SignIn.h"
#include "service/Uploader.h"

#include <QUrl>

const QList<QByteArray> fuzz::warmUpInputs = {
    QByteArray("http://127.0.0.1/abc").prepend('\0'),
    QByteArray("velto://done#access_token=abc").prepend('\2'),
};

void fuzz::fuzzOne(QByteArrayView input)
{
    const Dispatch part = dispatch(input, 3);
    switch (part.choice) {
    case 0:
        if (const auto link = LinkShortener::shortLinkFromAnswer(200, part.rest.toByteArray())) {
            const QUrl url(*link, QUrl::StrictMode);
            FUZZ_CHECK(url.isValid() && !url.host().isEmpty());
            FUZZ_CHECK(url.scheme() == u"http" || url.scheme() == u"https");
        }
        break;
    case 1:
        Uploader::answerSaysStored(part.rest);
        break;
    case 2: {
        const QString address = QString::fromUtf8(part.rest);
        if (const auto token = SignIn::tokenFromRedirect(address)) {
            FUZZ_CHECK(SignIn::isRedirect(address));
            FUZZ_CHECK(!token->trimmed().isEmpty());
        }
        SignIn::addressForLog(QUrl(address));
        break;
    }
    }
}
