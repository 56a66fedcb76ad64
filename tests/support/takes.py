#!/usr/bin/python3
# A take's files read back with well-kept tools: its MIDI file through mido, a
# clip's streams through ffprobe and its sound decoded by ffmpeg.
#   takes.py beat CAPTURE RATE FROM TO MS    the beat in bytes FROM to TO of a disk
#                                            capture that took MS of real time
#   takes.py wav WAV MIDI CAPTURE RATE BPMS PROGRAMS
#                                            a take on Linux against the disk
#                                            driver's capture at RATE Hz, its
#                                            tempos BPMS, as "120,140", and the
#                                            sound sets' programs, as "12,24"
#   takes.py clip VIDEO MIDI SECONDS NOTES   a browser's clip and its MIDI file;
#                                            NOTES are those its pattern plays, as "2,6,10"
import array, json, math, subprocess, sys, wave
import mido


# Each sound set's pitches by its General MIDI program: the built-in one's the
# major pentatonic from C4 (12), then the minor pentatonic from D3 (24), the in
# scale from A3 (8) and the hexatonic blues from A3 (11); controller 10 of a
# note's left 255 - p and right 155 + p.
Scales = {12: (60, [0, 2, 4, 7, 9]), 24: (50, [0, 3, 5, 7, 10]), 8: (57, [0, 1, 5, 7, 8]), 11: (57, [0, 3, 5, 6, 7, 10])}
def key(note, program=12):
    low, scale = Scales[program]
    return low + 12 * (note // len(scale)) + scale[note % len(scale)]
pan = lambda note: round(127 * math.atan2(155 + note * 100 // 15, 255 - note * 100 // 15) / (math.pi / 2))


# (tick, key, velocity, pan, ms, program) of each note heard, in order, its ms
# by the file's tempos, the ms a quarter lasts at each, and the programs in
# turn; the file's form checked: a program on all twelve channels at the start
# and at each change.
def midi_notes(path):
    song = mido.MidiFile(path)
    assert song.type == 0 and song.ticks_per_beat == 480, (song.type, song.ticks_per_beat)
    tick, ms, notes, pans, tempo, tempos, programs, changes = 0, 0, [], {}, None, [], {}, []
    for message in song.tracks[0]:
        tick += message.time
        ms += message.time * (tempo or 0) / 480000
        if message.type == 'set_tempo':
            tempo = message.tempo
            tempos.append((tick, tempo))
        if message.type == 'control_change' and message.control == 10:
            pans[message.channel] = message.value
        if message.type == 'program_change':
            programs[message.channel] = message.program
            changes.append((tick, message.program, message.channel))
        if message.type == 'note_on' and message.velocity > 0:
            assert message.channel != 9, "a note on the drums' channel"
            notes.append((tick, message.note, message.velocity, pans.get(message.channel), ms, programs.get(message.channel)))
    assert tempos and song.tracks[0][0].type == 'set_tempo', 'no tempo at the start'
    # The tempos played, in ms a quarter: runs of tempo events that round to the
    # same ten bpm and last four steps or more (where the sound's pace wandered,
    # or a line sounded late, the tempo bends for the step or so before a note),
    # each at its mean: 60 to 240 bpm by tens, at the pace of the take's sound.
    runs = []
    for i, (at, t) in enumerate(tempos):
        span = max((tempos[i + 1][0] if i + 1 < len(tempos) else tick) - at, 1)
        bpm = round(60e6 / t / 10) * 10
        if runs and runs[-1][0] == bpm:
            runs[-1][1:] = [runs[-1][1] + span, runs[-1][2] + span * t]
        else:
            runs.append([bpm, span, span * t])
    played = []
    for i, (bpm, span, total) in enumerate(runs):
        if span < 960 and i + 1 < len(runs):
            continue
        if played and played[-1][0] == bpm:
            played[-1][1:] = [played[-1][1] + span, played[-1][2] + total]
        else:
            played.append([bpm, span, total])
    quarters = [total / span / 1000 for _, span, total in played]
    assert all(any(abs(q * bpm / 60000 - 1) < 0.02 for bpm in range(60, 250, 10)) for q in quarters), (quarters, tempos)
    turns = [changes[i:i + 12] for i in range(0, len(changes), 12)]
    assert turns and turns[0][0][0] == 0 and all(len({(t, p) for t, p, _ in turn}) == 1 and
                                                 sorted(c for _, _, c in turn) == [*range(9), *range(10, 13)] for turn in turns), changes
    return notes, quarters, [turn[0][1] for turn in turns]


# (ms, note, error) of each click in stereo sound: a sample above a tenth of
# the clicks' height after 40 ms below it (a resampled capture rings a little
# before each click, up to about a twentieth), and the nearest of the sixteen
# pans with how far its balance is from that one's.
def clicks(samples, per_ms):
    found, quiet = [], 0
    for i in range(0, len(samples), 2):
        loud = max(abs(samples[i]), abs(samples[i + 1]))
        if loud > 600 and quiet > 40 * per_ms:
            ratio = samples[i] / samples[i + 1]
            error, note = min((abs(ratio * (155 + n * 100 // 15) / (255 - n * 100 // 15) - 1), n) for n in range(16))
            found.append((i / 2 / per_ms, note, error))
        quiet = quiet + 1 if loud <= 600 else 0
    return found


# ms of each onset of ringing notes in mono sound: where the energy of 5 ms is
# over four times its least in the 60 ms before, 100 ms after the last one.
def rises(samples, per_ms):
    window, found = int(5 * per_ms), []
    energy = [sum(v * v for v in samples[int(i * per_ms):int(i * per_ms) + window]) for i in range(int(len(samples) / per_ms) - 5)]
    for ms in range(60, len(energy)):
        if energy[ms] > 4 * min(energy[ms - 60:ms]) + 1e4 * window and (not found or ms - found[-1] > 100):
            found.append(ms)
    return found


if __name__ == '__main__' and sys.argv[1] == 'beat':
    # Gaps, their mean in real and in sound ms, the worst gap off the mean of
    # the eight around it (the disk driver's clock wanders over seconds) and
    # off the mean of all, and the clicks whose balance is no note's.
    capture, rate, start, end, real = sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5]), int(sys.argv[6])
    with open(capture, 'rb') as sound:
        sound.seek(start)
        heard = clicks(array.array('h', sound.read(end - start)), rate / 1000)
    gaps = [b[0] - a[0] for a, b in zip(heard, heard[1:])]
    mean = sum(gaps) / len(gaps)
    around = [[g for j, g in enumerate(gaps) if j != i and abs(j - i) <= 4] for i in range(len(gaps))]
    worst, at = max((abs(g - sum(a) / len(a)), i) for i, (g, a) in enumerate(zip(gaps, around)))
    unknown = sum(error > 0.02 for _, _, error in heard)
    # The worst gap with its neighbours: a note that came late is one gap long
    # and the next as short; a device that lost time moves all after it.
    print(len(gaps), f'{mean * rate / 1000 / ((end - start) / 4 / real):.1f} {mean:.2f} {worst:.2f}', unknown,
          f'{max(abs(g - mean) for g in gaps):.2f}', f'gaps {max(at - 2, 0)} on:', *(f'{g:.2f}' for g in gaps[max(at - 2, 0):at + 3]))

if __name__ == '__main__' and sys.argv[1] == 'wav':
    take, midi, capture, rate = sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5])
    with wave.open(take) as w:
        assert (w.getframerate(), w.getsampwidth(), w.getnchannels()) == (22050, 2, 2), w.getparams()
        data = w.readframes(w.getnframes())
    sound = open(capture, 'rb').read()
    heard = clicks(array.array('h', data), 22.05)
    print(f'take: {len(data) / 88200:.2f} s, {len(heard)} notes')
    if rate == 22050:  # sample for sample
        at = sound.find(data)
        assert at >= 0 and at % 4 == 0, 'the take is not a span of the capture'
    else:  # resampled: the capture's clicks from one on are the take's, at the same gaps
        captured = clicks(array.array('h', sound), rate / 1000)
        assert any(len(heard) == len(captured[start:start + len(heard)]) and
                   all(abs(c[0] - captured[start][0] - h[0] + heard[0][0]) < 1 and c[1] == h[1]
                       for c, h in zip(captured[start:], heard)) for start in range(len(captured))), 'not the capture\'s notes'
    # A step of the sound's clock: the disk driver's runs a little slow, and
    # wanders when the machine is busy (beat.sh measures the beat itself).
    # The take starts at 120 bpm: its step is the median of the gaps near 250 ms
    # (SDL's disk driver runs 0.7 % fast over SDL 1.2, a little slow over SDL 2).
    gaps = [b[0] - a[0] for a, b in zip(heard, heard[1:])]
    steps = sorted(g for g in gaps if 230 < g < 270)
    step = steps[len(steps) // 2]
    assert len(heard) > 20 and 247 < step < 254, gaps
    # Each note on a whole step and within a ms of where the WAV has it (the
    # clicks in its first 50 ms, with no 40 ms of quiet before, unseen): where
    # the sound's pace wandered, the tempo bends with it.
    notes, quarters, programs = midi_notes(midi)
    notes, heard = [n for n in notes if n[4] >= 50], [h for h in heard if h[0] >= 50]
    assert len(notes) == len(heard), (len(notes), len(heard), notes[:2], heard[:2])
    for (ms, n, _), (t, k, velocity, p, written, program), before in zip(heard, notes, [notes[0]] + notes):
        assert (k, velocity, p) == (key(n, program), 50, pan(n)) and (t - before[0]) % 240 == 0, (n, t, ms)
        assert abs(written - ms) < 1, (n, written, ms)
    print(f'tempos: {" ".join(f"{60000 / q:.2f}" for q in quarters)} bpm, programs {programs}')
    bpms = [round(60000 / q / 10) * 10 for q in quarters]
    assert [b for i, b in enumerate(bpms) if i == 0 or b != bpms[i - 1]] == [int(b) for b in sys.argv[6].split(',')], quarters
    assert programs == [int(p) for p in sys.argv[7].split(',')] == list(dict.fromkeys(n[5] for n in notes)), programs

if __name__ == '__main__' and sys.argv[1] == 'clip':
    video, midi, seconds, played = sys.argv[2], sys.argv[3], float(sys.argv[4]), [int(n) for n in sys.argv[5].split(',')]
    probe = json.loads(subprocess.run(['ffprobe', '-v', 'error', '-show_streams', '-show_format', '-of', 'json', video],
                                      check=True, capture_output=True).stdout)
    kinds = sorted(stream['codec_type'] for stream in probe['streams'])
    sound = array.array('h', subprocess.run(['ffmpeg', '-v', 'error', '-i', video, '-f', 's16le', '-ac', '1', '-ar', '22050', '-'],
                                            check=True, capture_output=True).stdout)
    length, onsets, (notes, quarters, _) = len(sound) / 22050, rises(sound, 22.05), midi_notes(midi)
    gaps = [b - a for a, b in zip(onsets, onsets[1:])]
    print(json.dumps({'streams': kinds, 'format': probe['format']['format_name'], 'seconds': round(length, 2), 'onsets': onsets, 'notes': notes}))
    assert kinds == ['audio', 'video'] and abs(length - seconds) < 0.6 and quarters == [500], (kinds, length, quarters)
    assert len(gaps) >= 2 and max(abs(g - 250 * round(g / 250)) for g in gaps) <= 3, gaps
    assert abs(len(notes) - len(onsets)) <= 1, (len(notes), len(onsets))
    assert all((b[0] - a[0]) % 240 == 0 for a, b in zip(notes, notes[1:])), 'notes off the steps'
    assert all(note[1:4] in [(key(n), 50, pan(n)) for n in played] for note in notes), notes
