#include "app/UnreadableFilesNotice.h"

#include "platform/AlertPresenter.h"
#include "service/SavedPostList.h"
#include "support/CompletionWords.h"
#include "support/DraftFile.h"
#include "views/NoticeBar.h"

namespace UnreadableFilesNotice {

void tell(NoticeBar *bar, const SavedPostList &saved, const CompletionWords &words,
    const DraftFile &draft)
{
    QStringList said;
    const auto say = [&](const QString &text, const QString &path) {
        said << alerts::localized(text).arg(path);
    };
    if (!saved.isAvailable())
        say(QStringLiteral("The saved posts in %1 cannot be read. The file is kept as it is; until "
                           "it can be read, no saved post is shown and none can be saved."),
            saved.path());
    if (draft.status() == DraftFile::Status::Unreadable)
        say(QStringLiteral("The draft in %1 cannot be read. The file is kept as it is; what you "
                           "write now is not kept as a draft until it is moved away."),
            draft.path());
    if (!words.isAvailable())
        say(QStringLiteral("The names in %1 cannot be read. The file is kept as it is; names are "
                           "not completed or added to until it can be read."),
            words.path());
    for (const QString &text : std::as_const(said))
        bar->addNotice(text);
}

} // namespace UnreadableFilesNotice
