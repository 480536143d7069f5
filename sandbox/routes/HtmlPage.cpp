#include "routes/HtmlPage.h"

using namespace Qt::StringLiterals;

namespace sandbox {

QString htmlPage(const QString &title, const QString &body)
{
    return uR"(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>%1</title>
<meta name="viewport" content="width=device-width, initial-scale=1">
<style>
body { font-family: sans-serif; background: #eef1f4; color: #222; margin: 0; }
main { max-width: 34em; margin: 3em auto; background: #fff; padding: 1.5em 2em; border-radius: 8px;
       box-shadow: 0 1px 4px rgba(0,0,0,.15); }
h1 { font-size: 1.4em; margin-top: 0; }
label { display: block; margin: .8em 0 .2em; }
input[type=text], input[type=password] { width: 100%; padding: .4em; box-sizing: border-box; }
.buttons { margin-top: 1.2em; display: flex; gap: .6em; }
button { padding: .5em 1.2em; }
.error { color: #a0122a; }
.note { color: #666; font-size: .9em; }
blockquote { font-size: 1.1em; margin: 1em 0; unicode-bidi: plaintext; }
</style></head>
<body><main>
<h1>%1</h1>
%2
</main></body></html>
)"_s.arg(title.toHtmlEscaped(), body);
}

} // namespace sandbox
