#pragma once

class ComposerController;
class NoticeBar;
class SavedPostList;

// Tells the user, without stopping them and once a run for each file, that
// what they saved or wrote could not be written to its file, where the file
// is and what that means until a write succeeds.
namespace UnwritableFilesNotice {

void watch(NoticeBar *bar, const SavedPostList &saved, const ComposerController &composer);

} // namespace UnwritableFilesNotice
