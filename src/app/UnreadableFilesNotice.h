#pragma once

class CompletionWords;
class DraftFile;
class NoticeBar;
class SavedPostList;

// Tells the user at start-up, without stopping them, which of the program's
// own files could not be read, where each is and what that means for the
// run. The files themselves are left as they are.
namespace UnreadableFilesNotice {

void tell(NoticeBar *bar, const SavedPostList &saved, const CompletionWords &words,
    const DraftFile &draft);

} // namespace UnreadableFilesNotice
