#include "app/UnwritableFilesNotice.h"

#include "app/ComposerController.h"
#include "platform/AlertPresenter.h"
#include "service/SavedPostList.h"
#include "views/NoticeBar.h"

#include <utility>

namespace UnwritableFilesNotice {

void watch(NoticeBar *bar, const SavedPostList &saved, const ComposerController &composer)
{
    // Each file is said once a run, however often its writes fail. Every
    // write replaces the whole list, so the next one that succeeds keeps
    // everything saved in between.
    QObject::connect(
        &saved.file(), &SavedPosts::writeFailed, bar, [bar, &saved, said = false]() mutable {
            if (std::exchange(said, true))
                return;
            bar->addNotice(alerts::localized(
                QStringLiteral("The saved posts cannot be written to %1. Until a later save "
                               "or delete can write them, what you save is kept only until "
                               "Velto quits."))
                               .arg(saved.path()));
        });
    QObject::connect(&composer, &ComposerController::draftNotWritten, bar,
        [bar, said = false](const QString &path) mutable {
            if (std::exchange(said, true))
                return;
            bar->addNotice(alerts::localized(
                QStringLiteral("The draft cannot be written to %1. Velto keeps trying; until it "
                               "can, what you write is lost if Velto ends unexpectedly."))
                               .arg(path));
        });
}

} // namespace UnwritableFilesNotice
