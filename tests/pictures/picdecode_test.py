#!/usr/bin/env python3
"""picdecode against ImageMagick: pictures of every format, depth, colour type, interlacing and
transparency are generated here with ImageMagick, decoded by picdecode and by ImageMagick, and
compared pixel by pixel; cut and damaged copies must be refused (exit 1, no output), never crash.
  picdecode_test.py [--windows] [--fail-alloc FAILING] PICDECODE [RUNNER...] (RUNNER: e.g. Wine)"""
import os, random, struct, subprocess, sys, tempfile
from pathlib import Path

args = sys.argv[1:]
windows = args[0] == '--windows'
if windows:
    args = args[1:]
fail_alloc = os.path.abspath(args[1]) if args[0] == '--fail-alloc' else None  # fails allocation $TAVORI_FAIL_ALLOC
args = args[2:] if fail_alloc else args
command = args[1:] + [args[0]]  # runner first, then the program
failures, checks = [], 0
for option in ('ASAN_OPTIONS', 'UBSAN_OPTIONS'):  # so that a sanitizer's report never passes for a refusal
    os.environ[option] = os.environ.get(option, '') + ':exitcode=99'


def im(*argv):
    return subprocess.run(['convert', *argv], check=True, capture_output=True).stdout


def picdecode(*argv):
    r = subprocess.run(command + list(argv), capture_output=True, timeout=120)
    return r.returncode, r.stdout.decode(errors='replace').strip(), r.stderr.decode(errors='replace')


def read_pam(path):
    head, _, pixels = open(path, 'rb').read().partition(b'ENDHDR\n')
    fields = dict(line.split(b' ', 1) for line in head.split(b'\n')[1:] if b' ' in line)
    return int(fields[b'WIDTH']), int(fields[b'HEIGHT']), fields[b'TUPLTYPE'].decode(), pixels


def check(ok, what):
    global checks
    checks += 1
    if not ok:
        failures.append(what)
        print('FAIL:', what)


def compare(name, ours, reference, channels, tolerance):
    """Largest channel difference between our PAM pixels and ImageMagick's RGBA rows."""
    worst = 0
    for i in range(len(reference) // 4):
        for c in range(channels):
            worst = max(worst, abs(ours[i * channels + c] - reference[i * 4 + c]))
    check(worst <= tolerance, f'{name}: pixels differ from ImageMagick by {worst}')


def flip_bmp_top_down(path):
    """Rewrites a bottom-up BMP as top-down: rows reversed, height negated."""
    b = bytearray(open(path, 'rb').read())
    offset, width, height, bits = struct.unpack_from('<i', b, 10)[0], *struct.unpack_from('<iiHH', b, 18)[:2], \
        struct.unpack_from('<H', b, 28)[0]
    row = (width * bits + 31) // 32 * 4
    rows = [b[offset + y * row: offset + (y + 1) * row] for y in range(height)]
    b[offset:offset + row * height] = b''.join(reversed(rows))
    b[22:26] = (-height).to_bytes(4, 'little', signed=True)
    open(path, 'wb').write(b)


def patch(path, offset, value):
    b = bytearray(open(path, 'rb').read())
    b[offset] = value
    open(path, 'wb').write(b)


def pbm_to_pcx(path):
    """Rewrites a binary PBM as a version 3, 1-bit PCX (PCX bit 1 is white, PBM bit 1 black),
    run-length coded line by line; ImageMagick reads the PBM as the reference."""
    fields = open(path, 'rb').read().split(maxsplit=3)
    width, height, bits = int(fields[1]), int(fields[2]), fields[3]
    line = (width + 15) // 16 * 2
    stride = (width + 7) // 8
    header = bytearray(128)  # maker, version 3, run-length coded, 1 bit; window; 1 plane; line size
    header[0:4], header[8:12], header[65:68] = bytes((10, 3, 1, 1)), struct.pack('<HH', width - 1, height - 1), \
        struct.pack('<BH', 1, line)
    body = bytearray()
    for y in range(height):
        row = bytes(255 - b for b in bits[y * stride:(y + 1) * stride]) + bytes(line - stride)
        x = 0
        while x < len(row):
            run = 1
            while x + run < len(row) and run < 63 and row[x + run] == row[x]:
                run += 1
            if run > 1 or row[x] >= 0xC0:
                body += bytes((0xC0 + run, row[x]))
            else:
                body.append(row[x])
            x += run
    os.rename(path, path + '.reference')
    open(path, 'wb').write(bytes(header) + bytes(body))


def gif_code_size_11(path):
    """A 45x19 GIF of LZW code size 11 (plain colour codes, cleared every 500) and its PPM: every
    17th pixel names colour 300, past the table of 128, black like any entry past it."""
    table = [bytes((i * 2, 255 - i, i * 7 % 256)) for i in range(128)]
    index = [300 if i % 17 == 3 else random.randrange(128) for i in range(45 * 19)]
    codes = [2048] + [c for at in range(0, len(index), 500) for c in index[at:at + 500] + [2048]] + [2049]
    data = sum(c << (12 * i) for i, c in enumerate(codes)).to_bytes(len(codes) // 170 * 255 + 255, 'little')
    Path(path + '.reference').write_bytes(b'P6 45 19 255 ' + b''.join(table[i] if i < 128 else bytes(3) for i in index))
    open(path, 'wb').write(b'GIF89a' + struct.pack('<HHBBB', 45, 19, 0x86, 0, 0) + b''.join(table) + b'\x2c' +
                           struct.pack('<HHHHBB', 0, 0, 45, 19, 0, 11) +
                           b''.join(b'\xff' + data[i:i + 255] for i in range(0, len(data), 255)) + b'\x00\x3b')


def rewritten(change):
    return lambda path: Path(path).write_bytes(change(Path(path).read_bytes()))


def png(colour_type, depth, *extra):
    return ['-define', f'png:color-type={colour_type}', '-define', f'png:bit-depth={depth}', *extra]


# name, ImageMagick arguments (source, options, output), expected kind, tolerance, rewrite
SOURCE = ['-seed', '7', '-size', '61x37', 'plasma:fractal', '-depth', '8']
ALPHA = ['(', '+clone', '-channel', 'A', '-fx', 'i/w', ')', '-compose', 'CopyOpacity', '-composite']
CASES = [
    ('bmp1.bmp', ['-monochrome', '-compress', 'none', 'bmp3:{}'], 2, 0, None),
    ('bmp4.bmp', ['-colors', '16', '-type', 'palette', '-compress', 'none', 'bmp3:{}'], 2, 0, None),
    ('bmp8.bmp', ['-colors', '200', '-type', 'palette', '-compress', 'none', 'bmp3:{}'], 2, 0, None),
    ('bmp24.bmp', ['-type', 'truecolor', 'bmp3:{}'], 2, 0, None),
    ('bmp32.bmp', ['-type', 'truecolormatte', '-alpha', 'opaque', 'bmp3:{}'], 2, 0, None),
    ('bmp24-top-down.bmp', ['-type', 'truecolor', 'bmp3:{}'], 2, 0, flip_bmp_top_down),
    ('gif2.gif', ['-colors', '2', '{}'], 5, 0, None),
    ('gif256.gif', ['-resize', '400x300!', '+noise', 'Random', '-colors', '256', '{}'], 5, 0, None),
    ('gif-interlaced.gif', ['-colors', '50', '-interlace', 'GIF', '{}'], 5, 0, None),
    ('gif-transparent.gif', ['-fuzz', '20%', '-transparent', 'white', '-colors', '30', '{}'], 5, 0, None),
    ('pcx8.pcx', ['-colors', '100', '-type', 'palette', 'pcx:{}'], 6, 0, None),
    ('pcx24.pcx', ['-type', 'truecolor', 'pcx:{}'], 6, 0, None),
    ('pcx1.pcx', ['-monochrome', 'pbm:{}'], 7, 0, pbm_to_pcx),  # ImageMagick writes no 1-bit PCX
    ('pcx1-70.pcx', ['-resize', '70x23!', '-monochrome', 'pbm:{}'], 7, 0, pbm_to_pcx),  # rows of 9 bytes, 10 stored
    ('pcx8-45.pcx', ['-resize', '45x19!', '-colors', '60', '-type', 'palette', 'pcx:{}'], 6, 0, None),
    # A 1000x1 PCX whose data begins with a lone 0xC0: an empty run that takes the byte after it.
    ('pcx-lone-c0.pcx', ['pcx:{}'], 6, 0, rewritten(lambda b: bytes((10, 5, 1, 8, 0, 0, 0, 0, 0xE7, 3)) + bytes(55) +
     b'\x01\xe8\x03' + bytes(60) + b'\xc0\x05' + bytes((7 + 3 * i) % 0xC0 for i in range(1000)) + b'\x0c' +
     bytes(i // 3 for i in range(768)))),
    ('gif-code11.gif', ['{}'], 5, 0, gif_code_size_11),
    ('gif-transparency-off.gif', ['-fuzz', '20%', '-transparent', 'white', '-colors', '30', '{}'], 5, 0,
     rewritten(lambda b: b.replace(b'\x21\xf9\x04\x01', b'\x21\xf9\x04\x00'))),  # the flag off, the index kept
    ('jpeg.jpg', ['-quality', '90', '{}'], 1, 1, None),
    ('jpeg-grey.jpg', ['-colorspace', 'gray', '{}'], 1, 1, None),
    ('jpeg-progressive.jpg', ['-interlace', 'JPEG', '{}'], 1, 1, None),
    ('jpeg-jfif2-junk.jpg', ['{}'], 1, 1, rewritten(lambda b: b[:11] + b'\x02' + b[12:20] + bytes(3) + b[20:])),
]
for depth in (1, 2, 4, 8, 16):
    CASES.append((f'png-grey{depth}.png', ['-colorspace', 'gray', *png(0, depth), '{}'], 8, 1, None))
for depth in (1, 2, 4, 8):
    CASES.append((f'png-palette{depth}.png', ['-colors', str(min(2 ** depth, 200)), *png(3, depth), '{}'], 8, 1, None))
for depth in (8, 16):
    CASES.append((f'png-rgb{depth}.png', png(2, depth, 'PNG24:{}' if depth == 8 else '{}'), 8, 1, None))
    CASES.append((f'png-grey-alpha{depth}.png', [*ALPHA, '-colorspace', 'gray', *png(4, depth), '{}'], 8, 1, None))
    CASES.append((f'png-rgba{depth}.png', [*ALPHA, *png(6, depth), '{}'], 8, 1, None))
CASES.append(('png-rgba-interlaced.png', [*ALPHA, *png(6, 8), '-interlace', 'PNG', '{}'], 8, 1, None))
CASES.append(('png-palette-alpha.png', [*ALPHA, '-colors', '64', 'PNG8:{}'], 8, 1, None))
if windows:
    CASES.append(('icon.ico', ['-resize', '32x32!', '{}'], 3, 2, None))
    CASES.append(('cursor.cur', ['-resize', '32x32!', 'ico:{}'], 4, 2, lambda p: patch(p, 2, 2)))

os.chdir(tempfile.mkdtemp(prefix='picdecode-'))
random.seed(12)
im(*SOURCE, 'source.png')
for name, options, kind, tolerance, rewrite in CASES:
    argv = ['source.png', *[o.format(name) for o in options]]
    if not any('{}' in o for o in options):
        argv.append(name)
    im(*argv)
    if rewrite:
        rewrite(name)
    rc, out, err = picdecode(name, name + '.pam')
    check(rc == 0, f'{name}: exit {rc}: {err}')
    if rc != 0:
        continue
    source = name + '.reference' if os.path.exists(name + '.reference') else name
    if kind in (3, 4):  # drawn on white, as the icon's own alpha leaves it
        reference = im(name + '[0]', '-background', 'white', '-flatten', '-depth', '8', 'rgba:-')
        channels_expected = 'RGB'
    else:
        reference = im(source + '[0]', '+repage', '-depth', '8', 'rgba:-')
        channels_expected = 'RGB_ALPHA' if kind == 8 else 'RGB'
    width, height, tupltype, pixels = read_pam(name + '.pam')
    size = im(source + '[0]', '+repage', '-format', '%w %h', 'info:').decode()
    screen = im(source + '[0]', '-format', '%W %H', 'info:').decode() if kind == 5 else size
    check(out == f'kind {kind} {screen}', f'{name}: printed "{out}", expected "kind {kind} {screen}"')
    check(f'{width} {height}' == size and tupltype == channels_expected, f'{name}: PAM {width}x{height} {tupltype}')
    compare(name, pixels, reference, 4 if tupltype == 'RGB_ALPHA' else 3, tolerance)
    # Drawn over a colour: alpha blended (truncated), a GIF's transparent index and screen the colour.
    if kind in (5, 8):
        rc, out, err = picdecode('--render', '0x00DCA01E', name, name + '.drawn.pam')
        drawn = read_pam(name + '.drawn.pam')[3] if rc == 0 else b''
        over = im(source + '[0]', '-colorspace', 'sRGB', '-background', '#1EA0DC', '-flatten', '-depth', '8', 'rgba:-')
        check(rc == 0 and len(drawn) * 4 == len(over) * 3, f'{name} drawn: exit {rc}, {len(drawn)} bytes: {err}')
        compare(name + ' drawn', drawn, over, 3, tolerance + (kind == 8))
    # A cut or damaged copy: refused without output, or decoded; never a crash. The portable
    # decoders are checked natively (under the sanitizers); under Wine, where every start
    # costs a second, only what is Windows' own.
    data = open(name, 'rb').read()
    subprocess.run('rm -f damaged*.pam', shell=True)
    if windows and kind not in (3, 4):
        continue
    for cut in (len(data) // 2, 20):
        open('cut', 'wb').write(data[:cut])
        rc, out, err = picdecode('cut', 'cut.pam')
        check(rc == 1 and not os.path.exists('cut.pam') and 'cut' in err, f'{name} cut to {cut}: exit {rc}')
    for trial in range(4):
        damaged = bytearray(data)
        for _ in range(8):
            damaged[random.randrange(len(damaged))] = random.randrange(256)
        open('damaged', 'wb').write(damaged)
        rc, out, err = picdecode('damaged', f'damaged{trial}.pam')
        check(rc in (0, 1) and (rc == 0) == os.path.exists(f'damaged{trial}.pam'), f'{name} damaged: exit {rc}')

# A PCX without its palette marker decodes black, also with a pixel 0x0C 769 bytes before the end
# (40x30, all literal); refused: a PCX line shorter than its row, a BMP header of 2^32 - 14 bytes
# (14 + that wraps in 32 bits) and a progressive JPEG cut before its last scan (libjpeg only warns).
pcx, bmp, jpeg = (open(name, 'rb').read() for name in ('pcx8.pcx', 'bmp24.bmp', 'jpeg-progressive.jpg'))
pixels = bytes(0x0C if i == 1200 - 769 else (i * 7) % 0xC0 for i in range(1200))
for name, data, black in (('no-palette.pcx', pcx[:-769], True),
                          ('marker-in-pixels.pcx', pcx[:8] + struct.pack('<HH', 39, 29) + pcx[12:66] +
                           struct.pack('<H', 40) + pcx[68:128] + pixels, True),
                          ('short-lines.pcx', pcx[:66] + struct.pack('<H', 20) + pcx[68:], False),
                          ('huge-header.bmp', bmp[:14] + struct.pack('<I', 2 ** 32 - 14) + bmp[18:], False),
                          ('cut-between-scans.jpg', jpeg[:jpeg.rindex(b'\xff\xda')], False)):
    open(name, 'wb').write(data)
    rc, out, err = picdecode(name, name + '.pam')
    check(rc == 0 and set(read_pam(name + '.pam')[3]) == {0} if black else rc == 1 and not os.path.exists(name + '.pam'),
          f'{name}: exit {rc}, not {"all black" if black else "refused"}')
# An icon whose images are none of 32 pixels wide with more than 15 colours: its last entry.
if windows:
    im('source.png', '-define', 'icon:auto-resize=16,48', 'two.ico')
    rc, out, err = picdecode('two.ico', 'two.pam')
    check(rc == 0 and out == 'kind 3 48 48', f'two-image icon: exit {rc}, "{out}"')
    # PNG alpha over a background: alpha 0 gives it exactly, 255 keeps the pixel; between, the
    # truncated blend.
    background = (30, 160, 220)
    rc, out, err = picdecode('--render', '0x00DCA01E', 'png-rgba8.png', 'render.pam')
    reference = im('png-rgba8.png', '-depth', '8', 'rgba:-')
    expected = bytes((p[3] * p[c] + (255 - p[3]) * background[c]) // 255
                     for p in zip(*[iter(reference)] * 4) for c in range(3))
    ours = read_pam('render.pam')[3] if rc == 0 else b''
    worst = max((abs(x - y) for x, y in zip(ours, expected)), default=999)
    check(rc == 0 and len(ours) == len(expected) and worst <= 1, f'rendered PNG over a colour: differs by {worst}')
# Wrong usage and files that are no picture.
check(picdecode()[0] == 2 and picdecode('a', 'b', 'c')[0] == 2, 'wrong usage is exit 2')
open('text.txt', 'w').write('just some text, no picture')
rc, out, err = picdecode('text.txt', 'text.pam')
check(rc == 1 and 'text.txt' in err and not os.path.exists('text.pam'), f'a text file: exit {rc}')

# Allocation 1, 2, ... failing in turn (0: none) over drawing a small picture of each decoder's
# layouts and the libraries': refused without output or drawn as without a failure.
if fail_alloc:
    im('-seed', '7', '-size', '13x7', 'plasma:fractal', '-depth', '8', 'small.png')
    for name, options, kind, tolerance, rewrite in CASES:
        if name not in ('bmp8.bmp', 'gif-interlaced.gif', 'gif-transparent.gif', 'pcx24.pcx', 'pcx1.pcx',
                        'jpeg-progressive.jpg', 'png-rgba16.png', 'png-palette-alpha.png'):
            continue
        name = 'small-' + name
        im('small.png', *[o.format(name) for o in options])
        if rewrite:
            rewrite(name)
        for n in range(5000):
            out = Path(f'{name}{n}.pam')
            r = subprocess.run([fail_alloc, '--render', '0x00DCA01E', name, out], capture_output=True,
                               env=dict(os.environ, TAVORI_FAIL_ALLOC=str(n)), timeout=60)
            err, drawn = r.stderr.decode(errors='replace'), out.exists() and out.read_bytes()
            right = drawn if n == 0 else right
            ok = right and (r.returncode, drawn) in ((0, right), (1, False)) and 'Sanitizer' not in err
            check(ok, f'{name}: allocation {n} failed: exit {r.returncode}: {err[-400:]}')
            if not ok or n and 'fail-alloc: this allocation fails' not in err:
                break

print(f'{checks - len(failures)} passed, {len(failures)} failed')
sys.exit(1 if failures else 0)
