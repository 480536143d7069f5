// The shown records: installing a processed page, carrying the selection
// over a refresh, and the facts of the selected post.
#include "app/AppDelegate.h"

#include "app/MainWindow.h"
#include "app/Preferences.h"
#include "service/PostPageProcessor.h"
#include "service/PostsArrayController.h"

void AppDelegate::setPageProcessor(PostPageProcessor *processor)
{
    if (m_processor == processor)
        return;
    if (m_processor && m_processor->parent() == this)
        delete m_processor;
    m_processor = processor;
    connect(m_processor, &PostPageProcessor::finished, this, &AppDelegate::installRecords);
}

void AppDelegate::processDataWithArray(const QJsonValue &answer, std::function<void()> done)
{
    m_processingDone = std::move(done);
    m_processor->process(answer, prefs().value(prefs::prefsFontSize));
}

void AppDelegate::installRecords(const QList<PostRecord> &records)
{
    m_posts->setContent(records);
    m_posts->rearrangeObjects();

    if (m_state.currentStreamKind == StreamKindMentions && m_posts->count() > 0)
        prefs().setValue(prefs::lastMentionID, m_posts->arrangedObject(0)->id());

    if (m_state.shouldBeRefreshed) {
        if (prefs().value(prefs::prefsRestoreSelection)) {
            if (const auto row = m_posts->rowOfId(m_state.refreshID))
                m_posts->setSelectionIndex(*row);
        } else if (m_window) {
            m_window->scrollListToTop();
        }
        m_state.shouldBeRefreshed = false;
    }
    if (auto done = std::exchange(m_processingDone, nullptr))
        done();
}

void AppDelegate::selectionIndexesChanged()
{
    const PostRecord *selected = m_posts->selectedObject();
    if (!selected)
        return;
    if (m_window)
        m_window->scrollToSelection();
    m_state.currentDictionary = selected->post;
    const auto facts = SelectedPostFacts::from(*selected, prefs().value(prefs::meID).value_or(QString()));
    m_state.replyOrQuoteID = facts.replyOrQuoteID;
    m_state.sourceName = facts.sourceName;
    m_state.hasReplies = facts.hasReplies;
    m_state.isPostStarred = facts.isPostStarred;
    prefs().setValue(prefs::starItemTitle, facts.starItemTitle);
    m_state.isMe = facts.isMe;
    prefs().setValue(prefs::isME, facts.isMe);
    m_state.isSavedPostsVisible = m_state.currentStreamKind == StreamKindStarred;
}

void AppDelegate::selectNextPost()
{
    if (m_window && m_window->composerHasFocus())
        return; // the key goes to the composer
    if (!m_posts->selectionIndex())
        m_posts->setSelectionIndex(0);
    else
        m_posts->selectNext();
}

void AppDelegate::selectPrevious()
{
    if (m_window && m_window->composerHasFocus())
        return;
    if (!m_posts->selectionIndex()) {
        if (m_posts->count() > 0)
            m_posts->setSelectionIndex(m_posts->count() - 1);
    } else {
        m_posts->selectPrevious();
    }
}
