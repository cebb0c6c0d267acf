#include "DemoMidi.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace demo {

namespace {

struct Event
{
    int tick;
    int order;  // at one tick: note-offs before note-ons, so repeated notes restart cleanly
    QByteArray bytes;
};

void putVarLen(QByteArray &out, quint32 v)
{
    quint8 groups[5];
    int n = 0;
    do {
        groups[n++] = v & 0x7F;
        v >>= 7;
    } while (v != 0);
    while (n-- > 0)
        out.append(static_cast<char>(groups[n] | (n > 0 ? 0x80 : 0)));
}

void putU32(QByteArray &out, quint32 v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(static_cast<char>((v >> shift) & 0xFF));
}

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

// Notes written as (pitch, beats) in sequence; pitch 0 is a rest.
QList<MidiNote> phrase(int startTick, int channel, int velocity,
                       std::initializer_list<std::pair<int, double>> steps)
{
    QList<MidiNote> notes;
    int tick = startTick;
    for (const auto &[pitch, beats] : steps) {
        const int length = static_cast<int>(beats * kTicksPerQuarter);
        if (pitch > 0)
            notes.append({tick, length * 9 / 10, pitch, channel, velocity});
        tick += length;
    }
    return notes;
}

} // namespace

QByteArray midiFile(const QByteArray &trackName, int beatsPerMinute,
                    const QList<MidiVoice> &voices, const QList<MidiNote> &notes)
{
    std::vector<Event> events;
    QByteArray name = bytesOf({0xFF, 0x03});
    putVarLen(name, static_cast<quint32>(trackName.size()));
    name.append(trackName);
    events.push_back({0, 0, name});
    const quint32 usPerQuarter = 60'000'000u / static_cast<quint32>(beatsPerMinute);
    events.push_back({0, 0, bytesOf({0xFF, 0x51, 0x03, int(usPerQuarter >> 16) & 0xFF,
                                     int(usPerQuarter >> 8) & 0xFF, int(usPerQuarter) & 0xFF})});
    for (const MidiVoice &v : voices)
        events.push_back({0, 0, bytesOf({0xC0 | (v.channel & 0x0F), v.program & 0x7F})});
    int end = 0;
    for (const MidiNote &n : notes) {
        const int ch = n.channel & 0x0F;
        events.push_back({n.start, 2, bytesOf({0x90 | ch, n.pitch & 0x7F, n.velocity & 0x7F})});
        events.push_back({n.start + n.length, 1, bytesOf({0x80 | ch, n.pitch & 0x7F, 0x40})});
        end = std::max(end, n.start + n.length);
    }
    std::stable_sort(events.begin(), events.end(), [](const Event &a, const Event &b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });

    QByteArray track;
    int now = 0;
    for (const Event &e : events) {
        putVarLen(track, static_cast<quint32>(e.tick - now));
        track.append(e.bytes);
        now = e.tick;
    }
    putVarLen(track, static_cast<quint32>(std::max(0, end + kTicksPerQuarter / 2 - now)));
    track.append(bytesOf({0xFF, 0x2F, 0x00}));

    QByteArray file("MThd");
    putU32(file, 6);
    file.append(bytesOf({0, 0, 0, 1}));  // format 0, one track
    file.append(bytesOf({kTicksPerQuarter >> 8, kTicksPerQuarter & 0xFF}));
    file.append("MTrk");
    putU32(file, static_cast<quint32>(track.size()));
    file.append(track);
    return file;
}

QByteArray overworldTune()
{
    // A bright tune in C major over a walking bass, two bars of four repeated.
    constexpr int C4 = 60, D4 = 62, E4 = 64, F4 = 65, G4 = 67, A4 = 69, B4 = 71, C5 = 72;
    constexpr int C3 = 48, F3 = 53, G3 = 55, A2 = 45;
    QList<MidiNote> notes;
    for (int pass = 0; pass < 2; ++pass) {
        const int at = pass * 16 * kTicksPerQuarter;
        notes += phrase(at, 0, 100,
                        {{E4, 0.5}, {G4, 0.5}, {C5, 1}, {B4, 0.5}, {A4, 0.5}, {G4, 1},
                         {F4, 0.5}, {A4, 0.5}, {G4, 0.5}, {E4, 0.5}, {D4, 1}, {0, 1},
                         {E4, 0.5}, {G4, 0.5}, {A4, 1}, {G4, 0.5}, {E4, 0.5}, {D4, 1},
                         {C4, 0.5}, {D4, 0.5}, {E4, 0.5}, {D4, 0.5}, {C4, 2}});
        notes += phrase(at, 1, 80,
                        {{C3, 1}, {G3, 1}, {C3, 1}, {G3, 1}, {F3, 1}, {C3, 1}, {G3, 1}, {0, 1},
                         {A2, 1}, {C3, 1}, {F3, 1}, {G3, 1}, {C3, 1}, {G3, 1}, {C3, 2}});
    }
    return midiFile("Overworld", 132, {{0, 80}, {1, 33}}, notes);
}

QByteArray castleTune()
{
    // Slow and heavy, in A minor, on an organ.
    constexpr int A3 = 57, B3 = 59, C4 = 60, D4 = 62, E4 = 64, F4 = 65, GS3 = 56;
    constexpr int A2 = 45, F2 = 41, E2 = 40, D2 = 38;
    QList<MidiNote> notes;
    for (int pass = 0; pass < 2; ++pass) {
        const int at = pass * 16 * kTicksPerQuarter;
        notes += phrase(at, 0, 90,
                        {{A3, 1}, {C4, 1}, {E4, 1.5}, {D4, 0.5}, {C4, 1}, {B3, 1}, {GS3, 2},
                         {A3, 1}, {F4, 1}, {E4, 1.5}, {D4, 0.5}, {C4, 1}, {B3, 1}, {A3, 2}});
        notes += phrase(at, 1, 70,
                        {{A2, 4}, {E2, 4}, {F2, 2}, {D2, 2}, {E2, 2}, {A2, 2}});
    }
    return midiFile("Castle", 88, {{0, 19}, {1, 19}}, notes);
}

} // namespace demo
