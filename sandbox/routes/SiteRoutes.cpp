// The account site: the root page (the reachability probe), the sign-in page
// with its implicit grant, post permalinks, application pages and help pages.
#include "routes/Routes.h"

#include "SandboxService.h"
#include "data/Seed.h"
#include "http/FormData.h"
#include "routes/HtmlPage.h"
#include "routes/JsonRenderer.h"

#include <QUrl>

using namespace Qt::StringLiterals;

namespace sandbox {

namespace {

// Clients the sign-in page knows, each with the one redirect it may use.
QString registeredRedirect(const QString &clientId)
{
    if (clientId == QLatin1String(kVeltoClientId))
        return u"velto://done"_s;
    return {};
}

struct SignInRequest {
    QString clientId;
    QString redirectUri;
    QString responseType;
    QString scope;
    QString state;

    static SignInRequest from(const FormData &form)
    {
        return { form.value(u"client_id"_s).value_or(QString()),
            form.value(u"redirect_uri"_s).value_or(QString()),
            form.value(u"response_type"_s).value_or(QString()),
            form.value(u"scope"_s).value_or(QString()),
            form.value(u"state"_s).value_or(QString()) };
    }

    // The redirect with a fragment of "name=value" pairs, value escaped.
    QString redirectWith(const QList<QPair<QString, QString>> &fragment) const
    {
        QStringList pairs;
        for (const auto &[name, value] : fragment)
            pairs.append(name + u'=' + QString::fromLatin1(QUrl::toPercentEncoding(value)));
        if (!state.isEmpty())
            pairs.append(u"state="_s + QString::fromLatin1(QUrl::toPercentEncoding(state)));
        return redirectUri + u'#' + pairs.join(u'&');
    }
};

// A refusal that must not redirect: an unknown client or a redirect the
// client did not register.
std::optional<HttpResponse> refuseUnknownClient(const SignInRequest &r)
{
    const QString expected = registeredRedirect(r.clientId);
    if (expected.isEmpty())
        return htmlResponse(
            htmlPage(u"Unknown application"_s,
                u"<p class=\"error\">No application is registered with client_id \"%1\".</p>"_s.arg(
                    r.clientId.left(80).toHtmlEscaped())),
            400);
    if (r.redirectUri != expected)
        return htmlResponse(
            htmlPage(u"Wrong redirect"_s,
                u"<p class=\"error\">redirect_uri \"%1\" is not the one registered for this application.</p>"_s
                    .arg(r.redirectUri.left(200).toHtmlEscaped())),
            400);
    return std::nullopt;
}

HttpResponse signInForm(const SignInRequest &r, const QString &error, int status)
{
    auto hidden = [](const QString &name, const QString &value) {
        return u"<input type=\"hidden\" name=\"%1\" value=\"%2\">"_s.arg(
            name, value.toHtmlEscaped());
    };
    const QString body
        = (error.isEmpty() ? QString() : u"<p class=\"error\">%1</p>"_s.arg(error.toHtmlEscaped()))
        + u"<p>Velto asks to read your streams, post and follow on your behalf.</p>"
          u"<form method=\"post\" action=\"/oauth/authenticate\">"_s
        + hidden(u"client_id"_s, r.clientId) + hidden(u"redirect_uri"_s, r.redirectUri)
        + hidden(u"response_type"_s, r.responseType) + hidden(u"scope"_s, r.scope)
        + (r.state.isEmpty() ? QString() : hidden(u"state"_s, r.state))
        + u"<label for=\"username\">User name</label><input type=\"text\" id=\"username\" "
          u"name=\"username\" value=\"demo\" autofocus>"
          u"<label for=\"password\">Password</label><input type=\"password\" id=\"password\" "
          u"name=\"password\">"
          u"<div class=\"buttons\"><button type=\"submit\" name=\"action\" value=\"allow\" "
          u"id=\"allow\">Sign in and allow</button>"
          u"<button type=\"submit\" name=\"action\" value=\"deny\" "
          u"id=\"deny\">Deny</button></div></form>"
          u"<p class=\"note\">Sandbox accounts: demo / demo; every other seeded user has the password \"password\".</p>"_s;
    return htmlResponse(htmlPage(u"Sign in to the stream"_s, body), status);
}

HttpResponse notFoundPage(const QString &what)
{
    return htmlResponse(htmlPage(u"Not found"_s, u"<p>%1</p>"_s.arg(what.toHtmlEscaped())), 404);
}

} // namespace

void addSiteRoutes(Router &site, SandboxService &s)
{
    SandboxService *service = &s;

    site.add({ "GET" }, QString(), [=](const RouteCall &) {
        const QString base = service->baseUrl().toHtmlEscaped();
        return htmlResponse(htmlPage(
            u"velto-sandbox"_s, uR"(<p>A local stand-in for every outside host Velto talks to.</p>
<ul>
<li>Stream API: <code>%1/stream/0</code> (bearer token <code>demo-token</code>)</li>
<li>Sign-in page: <code>%1/oauth/authenticate</code></li>
<li>Link shortener: <code>%1/create.php?format=simple&amp;url=</code></li>
<li>Image host: <code>%1/img.php</code>, <code>%1/img/</code></li>
<li>Maker's site: <a href="/macpad/Velto.txt">release notes</a>, <a href="/downloads/Velto.zip">download</a>, <a href="/help">help</a></li>
<li>Avatars: <code>%1/avatars/&lt;name&gt;.png</code></li>
</ul>)"_s.arg(base)));
    });

    site.add({ "GET" }, u"oauth/authenticate"_s, [=](const RouteCall &call) {
        const auto query = FormData::parse(call.request.rawQuery);
        if (!query)
            return htmlResponse(htmlPage(u"Bad request"_s,
                                    u"<p class=\"error\">The query string is malformed.</p>"_s),
                400);
        const SignInRequest r = SignInRequest::from(*query);
        if (auto refusal = refuseUnknownClient(r))
            return *refusal;
        if (r.responseType != u"token")
            return redirectResponse(
                r.redirectWith({ { u"error"_s, u"unsupported_response_type"_s } }));
        return signInForm(r, QString(), 200);
    });

    site.add({ "POST" }, u"oauth/authenticate"_s, [=](const RouteCall &call) {
        const auto form = FormData::parse(call.request.body);
        if (!form)
            return htmlResponse(
                htmlPage(u"Bad request"_s, u"<p class=\"error\">The form is malformed.</p>"_s),
                400);
        const SignInRequest r = SignInRequest::from(*form);
        if (auto refusal = refuseUnknownClient(r))
            return *refusal;
        if (r.responseType != u"token")
            return redirectResponse(
                r.redirectWith({ { u"error"_s, u"unsupported_response_type"_s } }));
        if (form->value(u"action"_s) == u"deny")
            return redirectResponse(r.redirectWith({ { u"error"_s, u"access_denied"_s },
                { u"error_description"_s, u"The user refused access."_s } }));
        const User *user
            = service->store().userByName(form->value(u"username"_s).value_or(QString()));
        if (!user || user->password != form->value(u"password"_s).value_or(QString()))
            return signInForm(r, u"Wrong user name or password."_s, 401);
        const QString token = service->tokens().issue(user->id);
        service->noteChanged();
        // Nothing may follow the token: Velto takes the rest of the fragment as the token.
        return redirectResponse(r.state.isEmpty()
                ? r.redirectUri + u"#access_token="_s + token
                : r.redirectWith({ { u"access_token"_s, token } }));
    });

    site.add({ "GET" }, u"{}/post/{}"_s, [=](const RouteCall &call) {
        const Store &store = service->store();
        const User *user = store.userByName(call.args[0]);
        bool ok = false;
        const Post *post = store.post(call.args[1].toLongLong(&ok));
        if (!user || !ok || !post || post->userId != user->id)
            return notFoundPage(u"There is no such post."_s);
        const QString body
            = u"<p><img src=\"%1\" width=\"48\" height=\"48\" alt=\"\"> <strong>%2</strong> @%3</p>"
              u"<blockquote dir=\"auto\">%4</blockquote><p class=\"note\">%5 via %6</p>"_s.arg(
                  JsonRenderer(store, service->baseUrl(), 0).avatarUrl(*user).toHtmlEscaped(),
                  user->name.toHtmlEscaped(), user->username.toHtmlEscaped(),
                  post->text.toHtmlEscaped().replace(u"\n"_s, u"<br>"_s),
                  JsonRenderer::timestamp(post->createdAt), post->source.name.toHtmlEscaped());
        return htmlResponse(htmlPage(u"Post by @"_s + user->username, body));
    });

    site.add({ "GET" }, u"apps/{}"_s, [=](const RouteCall &call) {
        for (const Source &source : seedSources(service->baseUrl())) {
            if (source.link.endsWith(u"/apps/"_s + call.args[0]))
                return htmlResponse(htmlPage(source.name,
                    u"<p>%1 is an application that posts to the stream.</p>"_s.arg(
                        source.name.toHtmlEscaped())));
        }
        return notFoundPage(u"There is no such application."_s);
    });

    const QList<std::pair<QString, QString>> pages {
        { u"help"_s,
            u"<p>Velto shows your streams, lets you post, reply and quote, and tells you about mentions.</p>"_s },
        { u"support"_s,
            u"<p>Write to the maker at support@velto.example; bug reports are welcome.</p>"_s },
        { u"about"_s, u"<p>Velto, a desktop client for the stream.</p>"_s },
    };
    for (const auto &[name, body] : pages) {
        site.add({ "GET" }, name, [title = name, body = body](const RouteCall &) {
            return htmlResponse(htmlPage(u"Velto "_s + title, body));
        });
    }
}

} // namespace sandbox
