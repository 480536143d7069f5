#!/usr/bin/env bash
# Writes the seed corpora of fuzz/corpus from the sandbox's own answers: pages
# of posts (the hostile ones included), users, the shortener's, the image
# host's and the maker's site's answers, the sign-in redirect, and the files
# the program would keep from them (saved posts, completions, the draft,
# preferences, cache entries and index). Run it again when the answers change;
# it needs a built velto-sandbox (scripts/build.sh) and replaces only the
# seeds it names, not the regression inputs beside them.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sandbox="${VELTO_SANDBOX:-$root/build/sandbox/velto-sandbox}"
corpus="$root/fuzz/corpus"
work="$(mktemp -d)"
port=$((20000 + RANDOM % 20000))
"$sandbox" --port "$port" --quiet &
pid=$!
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
base="http://127.0.0.1:$port"
for _ in $(seq 50); do curl -sf "$base/" >/dev/null && break; sleep 0.1; done

api=(-sf -H "Authorization: Bearer demo-token")
curl "${api[@]}" "$base/stream/0/posts/stream/global?count=8" -o "$work/global.json"
curl "${api[@]}" "$base/stream/0/posts/stream?count=20" -o "$work/stream.json"
curl "${api[@]}" "$base/stream/0/users/1/mentions?count=5" -o "$work/mentions.json"
curl "${api[@]}" "$base/stream/0/posts/tag/coffee" -o "$work/tag.json"
for hostile in longWord denseEntities deepNesting postsWithoutIds badDates longIds; do
  curl -sf -X POST "$base/_sandbox/faults" -H 'Content-Type: application/json' \
    -d "{\"path\":\"/stream/0/posts/stream/global\",\"hostile\":\"$hostile\"}" >/dev/null
  curl "${api[@]}" "$base/stream/0/posts/stream/global" -o "$work/hostile-$hostile.json"
done
curl "${api[@]}" "$base/stream/0/users/3" -o "$work/user.json"
curl "${api[@]}" "$base/stream/0/users/1" -o "$work/me.json"
curl "${api[@]}" "$base/stream/0/users/3/followers" -o "$work/followers.json"
curl -s "$base/create.php?format=simple&url=http://example.com/a?b=c" -o "$work/short.txt"
curl -s "$base/create.php?format=simple&url=nonsense" -o "$work/short-refused.txt"
printf 'picture' > "$work/picture.png"
curl -s -F "uploaded=@$work/picture.png" "$base/img.php" -o "$work/img-yes.txt"
curl -s -X POST "$base/img.php" -o "$work/img-no.txt"
curl -s "$base/macpad/Velto.plist" -o "$work/version.plist"
curl -s -o /dev/null -w '%{redirect_url}' -X POST "$base/oauth/authenticate" \
  --data 'client_id=Xw3kT9pLq2Vb7RmZ4sHd8NfJ6cYgAe1U&redirect_uri=velto://done&response_type=token&scope=stream&username=demo&password=demo' \
  > "$work/redirect.txt"
curl -s -o /dev/null -w '%{redirect_url}' -X POST "$base/oauth/authenticate" \
  --data 'client_id=Xw3kT9pLq2Vb7RmZ4sHd8NfJ6cYgAe1U&redirect_uri=velto://done&response_type=token&action=deny' \
  > "$work/redirect-denied.txt"
curl -s -D "$work/avatar.headers" "$base/avatars/alice.png" -o "$work/avatar.png"

python3 - "$work" "$corpus" <<'PY'
import datetime, json, pathlib, plistlib, sys
work, corpus = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])

def seed(target, name, data, selector=None):
    folder = corpus / target
    folder.mkdir(parents=True, exist_ok=True)
    if isinstance(data, str):
        data = data.encode()
    (folder / ("seed-" + name)).write_bytes((bytes([selector]) if selector is not None else b"") + data)

def small(data):
    # A seed is a start, not a load test: the hostile pages keep their kind
    # at a size the fuzzer can mutate many times a second.
    if len(data) <= 65536:
        return data
    try:
        posts = json.loads(data)
    except (ValueError, RecursionError):
        depth = 3000
        return data[:depth] + data[-depth:]
    for post in posts:
        for field in ("text", "html"):
            post[field] = post.get(field, "")[:8192]
        for kind, found in post.get("entities", {}).items():
            post["entities"][kind] = found[:100]
    return json.dumps(posts, ensure_ascii=False).encode()

for page in sorted(work.glob("*.json")):
    target = "user_record" if page.stem in ("user", "me", "followers") else "post_page"
    seed(target, page.stem, small(page.read_bytes()))

posts = json.loads((work / "stream.json").read_text())
texts = [p.get("text", "") for p in posts[:6]] + [json.loads((work / "user.json").read_text())["description"]["text"]]
for i, text in enumerate(texts):
    seed("text_entities", f"utf8-{i}", text, 0)
seed("text_entities", "utf16", texts[0].encode("utf-16-le"), 1)

avatar = (work / "avatar.png").read_bytes()
saved = {"savedPosts": [{"post": json.dumps(p).encode(), "theAvatarImage": avatar} for p in posts[:2]]
         + [posts[2]]}
seed("stored_lists", "saved-posts", plistlib.dumps(saved, fmt=plistlib.FMT_BINARY), 0)
names = sorted({p["user"]["username"] for p in posts if "user" in p})
seed("stored_lists", "completions", plistlib.dumps(names, fmt=plistlib.FMT_XML), 1)
seed("stored_lists", "update", (work / "version.plist").read_bytes(), 2)

seed("draft_and_preferences", "draft", json.dumps({"text": posts[0]["text"], "postType": 1, "replyTo": posts[0]["id"]}), 0)
seed("draft_and_preferences", "preferences",
     "[General]\nisUserAuthDone=true\naccess_token=demo-token\nprefsFontSize=1\nprefsRefreshInterval=2\n"
     "hotKeyKeyCode=49\nhotKeyModifiers=2304\nmeID=1\nlastMentionID=%s\n\n"
     "[ShortcutRecorder%%20hotKey]\nkeyCode=49\nmodifiers=2304\nmodifierFlags=1572864\n" % posts[0]["id"], 1)

headers = {}
for line in (work / "avatar.headers").read_text().splitlines()[1:]:
    if ":" in line:
        name, value = line.split(":", 1)
        headers[name.strip()] = value.strip()
entry = {"responseData": avatar, "storagePolicy": 0,
         "response": {"URL": posts[0]["user"]["avatar_image"]["url"], "statusCode": 200,
                      "headerFields": headers, "MIMEType": "image/png", "HTTP": True}}
seed("cache_files", "entry", plistlib.dumps(entry, fmt=plistlib.FMT_BINARY), 1)
when = datetime.datetime(2026, 1, 1, 12, 0, 0)
keys = ["V2_%032x" % (i * 0x1234567 + 17) for i in range(3)]
index = {"diskUsage": 3 * len(avatar), "accesses": {k: when for k in keys}, "sizes": {k: len(avatar) for k in keys}}
seed("cache_files", "index", plistlib.dumps(index, fmt=plistlib.FMT_BINARY), 0)

header_block = "\n".join(f"{k}: {v}" for k, v in headers.items())
seed("http_cache_rules", "avatar", header_block, 0)
seed("http_cache_rules", "rules", "Date: Sun, 06 Nov 1994 08:49:37 GMT\nCache-Control: public, max-age=3600\n"
     "Expires: Sunday, 06-Nov-94 09:49:37 GMT\nLast-Modified: Sun Nov  6 08:49:37 1994\nPragma: no-cache\n", 4)

seed("host_answers", "short", (work / "short.txt").read_bytes(), 0)
seed("host_answers", "short-refused", (work / "short-refused.txt").read_bytes(), 0)
seed("host_answers", "image-yes", (work / "img-yes.txt").read_bytes(), 1)
seed("host_answers", "image-no", (work / "img-no.txt").read_bytes(), 1)
seed("host_answers", "redirect", (work / "redirect.txt").read_bytes(), 2)
seed("host_answers", "redirect-denied", (work / "redirect-denied.txt").read_bytes(), 2)
PY
echo "seeds written to $corpus"
