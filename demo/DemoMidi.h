#pragma once

#include <QByteArray>
#include <QList>

// Standard MIDI files for the demo's music folder, generated from short note lists.
namespace demo {

constexpr int kTicksPerQuarter = 96;

struct MidiNote
{
    int start;   // ticks from the beginning
    int length;  // ticks
    int pitch;   // 60 = middle C
    int channel = 0;
    int velocity = 96;
};

struct MidiVoice
{
    int channel;
    int program;  // General MIDI instrument, 0-based
};

// A format 0 file: one track holding the name, the tempo, the instruments and the notes.
QByteArray midiFile(const QByteArray &trackName, int beatsPerMinute,
                    const QList<MidiVoice> &voices, const QList<MidiNote> &notes);

QByteArray overworldTune();
QByteArray castleTune();

} // namespace demo
