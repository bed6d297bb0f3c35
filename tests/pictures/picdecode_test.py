#!/usr/bin/env python3
"""picdecode against ImageMagick: pictures of every format, depth, colour type, interlacing and
transparency are generated here with ImageMagick, decoded by picdecode and by ImageMagick, and
compared pixel by pixel; cut and damaged copies must be refused (exit 1, no output), never crash.
  picdecode_test.py [--windows] PICDECODE [RUNNER...]   (RUNNER: e.g. the Wine launcher)"""
import os, random, struct, subprocess, sys, tempfile

args = sys.argv[1:]
windows = args[0] == '--windows'
if windows:
    args = args[1:]
command = args[1:] + [args[0]]  # runner first, then the program
failures, checks = [], 0


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
    ('jpeg.jpg', ['-quality', '90', '{}'], 1, 1, None),
    ('jpeg-grey.jpg', ['-colorspace', 'gray', '{}'], 1, 1, None),
    ('jpeg-progressive.jpg', ['-interlace', 'JPEG', '{}'], 1, 1, None),
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
    size = im(name + '[0]', '+repage', '-format', '%w %h', 'info:').decode()
    screen = im(name + '[0]', '-format', '%W %H', 'info:').decode() if kind == 5 else size
    check(out == f'kind {kind} {screen}', f'{name}: printed "{out}", expected "kind {kind} {screen}"')
    check(f'{width} {height}' == size and tupltype == channels_expected, f'{name}: PAM {width}x{height} {tupltype}')
    compare(name, pixels, reference, 4 if tupltype == 'RGB_ALPHA' else 3, tolerance)
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

# A PCX without its palette marker decodes black.
data = open('pcx8.pcx', 'rb').read()
open('no-palette.pcx', 'wb').write(data[:-769])
rc, out, err = picdecode('no-palette.pcx', 'no-palette.pam')
check(rc == 0 and set(read_pam('no-palette.pam')[3]) == {0}, f'PCX without palette: exit {rc}, not all black')
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
else:
    rc, out, err = picdecode('--render', '0xFFFFFF', 'bmp24.bmp', 'x.pam')
    check(rc == 2 and 'usage' in err, f'--render without the Windows build: exit {rc}')
# Wrong usage and files that are no picture.
check(picdecode()[0] == 2 and picdecode('a', 'b', 'c')[0] == 2, 'wrong usage is exit 2')
open('text.txt', 'w').write('just some text, no picture')
rc, out, err = picdecode('text.txt', 'text.pam')
check(rc == 1 and 'text.txt' in err and not os.path.exists('text.pam'), f'a text file: exit {rc}')

print(f'{checks - len(failures)} passed, {len(failures)} failed')
sys.exit(1 if failures else 0)
