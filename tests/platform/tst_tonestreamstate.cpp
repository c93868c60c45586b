#include "platform/audio/tonestreamstate.h"

#include <QTest>

using platform::ToneStreamState;
using State = ToneStreamState::State;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(State)

namespace {

const char *name(State state)
{
    switch (state) {
    case State::Closed: return "Closed";
    case State::Opening: return "Opening";
    case State::Priming: return "Priming";
    case State::Ready: return "Ready";
    case State::Failed: return "Failed";
    }
    return "?";
}

// Brings a fresh state to `state` along the stream's usual life.
bool reach(ToneStreamState &s, State state, ToneStreamState::Clock::time_point at)
{
    switch (state) {
    case State::Closed:
        return true;
    case State::Opening:
        return s.moveTo(State::Opening, at);
    case State::Priming:
        return s.moveTo(State::Opening, at) && s.moveTo(State::Priming, at);
    case State::Ready:
        return s.moveTo(State::Opening, at) && s.moveTo(State::Priming, at) && s.moveTo(State::Ready, at);
    case State::Failed:
        return s.moveTo(State::Opening, at) && s.moveTo(State::Failed, at);
    }
    return false;
}

} // namespace

class tst_ToneStreamState : public QObject
{
    Q_OBJECT

private slots:
    void transitions_data();
    void transitions();
};

// Every pair of states: the UI thread and the audio thread each move the
// stream only along these edges, so neither can, say, mark a stream ready
// that the other has closed, skip the priming a sleepy server needs, or
// reopen a failed stream without the pause before a retry. A refused move
// changes nothing, not even the time its deadlines count from.
void tst_ToneStreamState::transitions_data()
{
    QTest::addColumn<State>("from");
    QTest::addColumn<State>("to");
    QTest::addColumn<bool>("allowed");
    const QList<std::pair<State, State>> allowed = {
        {State::Closed, State::Opening},
        {State::Opening, State::Priming},
        {State::Opening, State::Failed},
        {State::Priming, State::Ready},
        {State::Priming, State::Failed},
        {State::Ready, State::Closed},
        {State::Ready, State::Failed},
        {State::Failed, State::Closed},
    };
    const QList<State> all = {State::Closed, State::Opening, State::Priming, State::Ready, State::Failed};
    for (State from : all) {
        for (State to : all) {
            const bool yes = allowed.contains(std::pair(from, to));
            QTest::addRow("%s -> %s: %s", name(from), name(to), yes ? "allowed" : "refused") << from << to << yes;
        }
    }
}

void tst_ToneStreamState::transitions()
{
    QFETCH(State, from);
    QFETCH(State, to);
    QFETCH(bool, allowed);
    const auto start = ToneStreamState::Clock::time_point(1h);
    ToneStreamState s;
    QVERIFY(reach(s, from, start));
    QCOMPARE(ToneStreamState::allowed(from, to), allowed);
    QCOMPARE(s.moveTo(to, start + 5s), allowed);
    QCOMPARE(s.state(), allowed ? to : from);
    QCOMPARE(s.since(), allowed ? start + 5s : (from == State::Closed ? ToneStreamState::Clock::time_point{} : start));
}

QTEST_APPLESS_MAIN(tst_ToneStreamState)
#include "tst_tonestreamstate.moc"
