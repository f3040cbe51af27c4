#!/usr/bin/env bash
# The recorded sounds in the family root: every wave is 11025 Hz mono 8-bit PCM with the
# canonical 44-byte header and holds sound; every database index is sorted, its records lie
# inside the data file, and it holds the names the voice falls back to.
set -eu
build=$(cd "${1:?build directory}" && pwd)
exec python3 - "$build/root/palmir/som" <<'PY'
import os, struct, sys
som = sys.argv[1]
letras, difones = os.path.join(som, "letras"), os.path.join(som, "difones")
errors = []

def check_wave(path):
    b = open(path, "rb").read()
    if len(b) < 44 or b[0:4] != b"RIFF" or b[8:16] != b"WAVEfmt " or b[36:40] != b"data":
        return "not a canonical wave"
    riff, fmt_len, tag, ch, rate, bps, align, bits = struct.unpack("<I4x4xIHHIIHH", b[4:36])
    data_len = struct.unpack("<I", b[40:44])[0]
    if (fmt_len, tag, ch, rate, bps, align, bits) != (16, 1, 1, 11025, 11025, 1, 8):
        return "format %r" % ((fmt_len, tag, ch, rate, bps, align, bits),)
    if data_len != len(b) - 44 or riff != len(b) - 8:
        return "sizes %d/%d for %d bytes" % (riff, data_len, len(b))
    samples = b[44:]
    if len(samples) < 400 or max(samples) - min(samples) < 40:
        return "no sound in it"
    return None

names = sorted(os.listdir(letras))
waves = [n for n in names if n.endswith(".wav")]
for n in waves:
    e = check_wave(os.path.join(letras, n))
    if e:
        errors.append("%s: %s" % (n, e))
letters = [n for n in waves if n[1:-4].isdigit() and n[0] == "_"]
expected_letters = set(range(32, 127)) | set(range(161, 221)) | set(range(224, 253))
missing_letters = sorted(expected_letters - {int(n[1:-4]) for n in letters})
if missing_letters:
    errors.append("letter waves missing: %s" % missing_letters)
for need in ["_zero", "_quatroc", "_milhoes", "_dezeset", "_dezesse", "_primeir", "_Setembr", "_Sexta",
             "_MENOS", "_uma", "_duas", "_hora", "_minutos", "_DEL", "_APFCPO", "_APICPO", "_CPOAPA",
             "_FALACI", "_FALDLG", "_VELOC", "_FON65", "_FON122"] + ["dtmf_%s" % c for c in "0123456789#X"]:
    if need + ".wav" not in names:
        errors.append("missing %s.wav" % need)

databases = sorted(n[:-4] for n in os.listdir(difones) if n.endswith(".IND"))
if not databases:
    errors.append("no databases")
for db in databases:
    ind = open(os.path.join(difones, db + ".IND"), "rb").read()
    size = os.path.getsize(os.path.join(difones, db + ".DIF"))
    if len(ind) % 15:
        errors.append("%s.IND: size %d is not whole records" % (db, len(ind)))
    recs = [ind[i:i + 15] for i in range(0, len(ind) - 14, 15)]
    names_db = []
    for r in recs:
        n = r[0]
        name = r[1:1 + n]
        length, offset = struct.unpack("<HI", r[9:15])
        if n > 8 or name != name.upper() or r[1 + n:9].strip(b" ") != b"":
            errors.append("%s: bad name %r" % (db, r[:9]))
        if length == 0 or offset + length > size:
            errors.append("%s: %r points outside the data (%d+%d > %d)" % (db, name, offset, length, size))
        names_db.append(name)
    if names_db != sorted(names_db):
        errors.append("%s: index not sorted" % db)
    for fallback in [b"$A", b"$E", b"$I", b"$O", b"$U", b"$ACIRC", b"$ECIRC", b"$OCIRC", b"$NN", b"$KA", b"$S"]:
        if fallback not in names_db:
            errors.append("%s: lacks %r" % (db, fallback))
    print("%s: %d names, %d bytes" % (db, len(recs), size))
print("%d wave files, %d letter waves" % (len(waves), len(letters)))
for e in errors[:30]:
    print(e)
sys.exit(1 if errors else 0)
PY
