#pragma once

#include <QString>

#include <optional>

// What the composer holds: its text, the kind of post (0 new, 1 reply,
// 2 quote) and the post a reply or quote answers.
struct ComposerDraft {
    QString text;
    quint64 postType = 0;
    QString replyTo;

    friend bool operator==(const ComposerDraft &, const ComposerDraft &) = default;
};

// The composer's draft on disk ("Draft.json" in the data folder), so that a
// quit, a crash or a kill loses nothing that was written. Writes replace the
// file atomically. A file that exists but cannot be read is left alone for
// the run: it is not read, not written over and not removed, and one line in
// the log says so.
class DraftFile {
public:
    enum class Status { Missing, Unreadable, Ok };

    // Reads the draft at `path` (once, at start-up).
    void open(const QString &path);

    const QString &path() const { return m_path; }
    Status status() const { return m_status; }
    // The draft read at open(), when there was one.
    const std::optional<ComposerDraft> &draft() const { return m_draft; }

    // Both answer whether the file now says what they were asked to; nothing
    // is done to an unreadable file.
    bool save(const ComposerDraft &draft);
    bool remove();

    // The largest draft file read; a longer one counts as unreadable.
    static constexpr qint64 largestFile = 4 * 1024 * 1024;

private:
    QString m_path;
    Status m_status = Status::Missing;
    std::optional<ComposerDraft> m_draft;
};
