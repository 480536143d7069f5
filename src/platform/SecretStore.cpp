#include "platform/SecretStore.h"

#include <QDebug>
#include <QPointer>
#include <QTimer>

#include <qt6keychain/keychain.h>

namespace {

const QString serviceName = QStringLiteral("Velto");

// QtKeychain's jobs, each with the time limit of a keyring that does not
// answer. A job is never deleted before it finishes: the keyring library
// still holds it until then.
class DesktopKeyring : public SecretStore {
public:
    void read(const QString &key, QObject *context, Callback done) override
    {
        auto *job = new QKeychain::ReadPasswordJob(serviceName);
        job->setKey(key);
        run(job, context, std::move(done));
    }
    void write(const QString &key, const QString &secret, QObject *context, Callback done) override
    {
        auto *job = new QKeychain::WritePasswordJob(serviceName);
        job->setKey(key);
        job->setTextData(secret);
        run(job, context, std::move(done));
    }
    void remove(const QString &key, QObject *context, Callback done) override
    {
        auto *job = new QKeychain::DeletePasswordJob(serviceName);
        job->setKey(key);
        run(job, context, std::move(done));
    }

private:
    void run(QKeychain::Job *job, QObject *context, Callback done)
    {
        job->setAutoDelete(true);
        job->setInsecureFallback(false);
        // One answer per call, whichever comes first: the job's or the time limit's.
        auto answered = std::make_shared<bool>(false);
        auto answer = [answered, context = QPointer<QObject>(context), done](const Answer &a) {
            if (std::exchange(*answered, true))
                return;
            if (context)
                done(a);
        };
        if (*m_silent) {
            job->deleteLater();
            QTimer::singleShot(0, context, [answer] {
                answer({ Outcome::NoKeyring, {},
                    QStringLiteral("the keyring did not answer earlier") });
            });
            return;
        }
        QObject::connect(job, &QKeychain::Job::finished, context, [answer](QKeychain::Job *j) {
            Answer a;
            switch (j->error()) {
            case QKeychain::NoError:
                a.outcome = Outcome::Done;
                if (auto *reading = qobject_cast<QKeychain::ReadPasswordJob *>(j))
                    a.secret = reading->textData();
                break;
            case QKeychain::EntryNotFound:
                a.outcome = Outcome::NotFound;
                break;
            default:
                a.outcome = Outcome::NoKeyring;
                a.problem = j->errorString();
                break;
            }
            answer(a);
        });
        // Precise: a coarse timer may give up a few hundred milliseconds early.
        QTimer::singleShot(
            answerTimeout, Qt::PreciseTimer, context, [silent = m_silent, answered, answer] {
                if (*answered)
                    return;
                *silent = true;
                answer({ Outcome::NoKeyring, {},
                    QStringLiteral("the keyring did not answer within %1 s")
                        .arg(answerTimeout.count()) });
            });
        job->start();
    }

    // Shared with the time limits still running, which may outlive the store.
    std::shared_ptr<bool> m_silent = std::make_shared<bool>(false);
};

struct Slot {
    std::unique_ptr<SecretStore> store;
    bool chosen = false;
};

Slot &slot()
{
    static Slot s;
    return s;
}

} // namespace

SecretStore *SecretStore::current()
{
    Slot &s = slot();
    if (!s.chosen) {
        s.chosen = true;
        if (qEnvironmentVariable("VELTO_KEYRING") != u"off")
            s.store = std::make_unique<DesktopKeyring>();
    }
    return s.store.get();
}

void SecretStore::setCurrent(std::unique_ptr<SecretStore> store)
{
    Slot &s = slot();
    s.chosen = store != nullptr;
    s.store = std::move(store);
}
