#!/usr/bin/env python3
"""picdecode against ImageMagick: pictures of every format, depth, colour type, interlacing and
transparency are generated here with ImageMagick, decoded by picdecode and by ImageMagick, and
compared pixel by pixel, as decoded and as drawn over a colour; cut and damaged copies must be
refused (exit 1, no output), never crash. With --fail-alloc, the test build of picdecode fails
the Nth allocation for every N over a render of each format: each run is refused or gives exactly
the right pixels, and never crashes, leaks or leaves an exception uncaught.
  picdecode_test.py [--windows] [--fail-alloc PICDECODE_FAIL_ALLOC] PICDECODE [RUNNER...]
  (RUNNER: e.g. the Wine launcher)"""
import os, random, struct, subprocess, sys, tempfile

args = sys.argv[1:]
windows = args[0] == '--windows'
if windows:
    args = args[1:]
fail_alloc = None
if args[0] == '--fail-alloc':
    fail_alloc, args = os.path.abspath(args[1]), args[2:]
command = args[1:] + [args[0]]  # runner first, then the program
failures, checks = [], 0
# A sanitizer's report must not pass for a refusal (both would exit 1).
for option in ('ASAN_OPTIONS', 'UBSAN_OPTIONS'):
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


def gif_wide_codes(code_size):
    """Rewrites a GIF of at most 128 colours with an LZW code size above 8: plain colour codes,
    cleared before they would grow. At code size 11 every 17th pixel names colour 300, past the
    table: black, like any colour past it. The reference is a PPM of the intended pixels."""
    def rewrite(path):
        width, height = map(int, im(path, '-format', '%w %h', 'info:').split())
        pixels = [bytes(p) for p in zip(*[iter(im(path, '-depth', '8', 'rgb:-'))] * 3)]
        palette = sorted(set(pixels))
        index = [300 if code_size == 11 and i % 17 == 3 else palette.index(p) for i, p in enumerate(pixels)]
        clear = 1 << code_size
        codes = [clear] + [c for at in range(0, len(index), clear - 2) for c in index[at:at + clear - 2] + [clear]]
        data = sum(c << (i * (code_size + 1)) for i, c in enumerate(codes + [clear + 1])).to_bytes(
            ((len(codes) + 1) * (code_size + 1) + 7) // 8, 'little')
        open(path + '.reference', 'wb').write(b'P6 %d %d 255\n' % (width, height) +
                                               b''.join(bytes(3) if i == 300 else palette[i] for i in index))
        open(path, 'wb').write(b'GIF89a' + struct.pack('<HHBBB', width, height, 0x86, 0, 0) + b''.join(palette) +
                               bytes(3 * (128 - len(palette))) + b'\x2c' + struct.pack('<HHHHBB', 0, 0, width, height,
                               0, code_size) + b''.join(bytes((len(data[i:i + 255]),)) + data[i:i + 255]
                               for i in range(0, len(data), 255)) + b'\x00\x3b')
    return rewrite


def rewrite_bytes(change, keep_reference=False):
    """A rewrite of a file's bytes; the unchanged file may stay as ImageMagick's reference."""
    def rewrite(path):
        b = open(path, 'rb').read()
        if keep_reference:
            open(path + '.reference', 'wb').write(b)
        open(path, 'wb').write(change(b))
    return rewrite


# The transparency flag of a GIF's graphic control extension cleared (its index stays); three
# bytes that are no marker after a JPEG's JFIF segment; JFIF revision 2; a 1000x1 PCX whose data
# begins with a lone 0xC0 (an empty run that takes the byte after it, as ImageMagick reads it).
transparency_off = rewrite_bytes(lambda b, at=0: b[:(at := b.index(b'\x21\xf9\x04') + 3)] + bytes((b[at] & ~1,)) +
                                 b[at + 1:])
junk_before_marker = rewrite_bytes(lambda b: b[:4 + b[4] * 256 + b[5]] + bytes(3) + b[4 + b[4] * 256 + b[5]:], True)
jfif_revision_2 = rewrite_bytes(lambda b: b[:11] + b'\x02' + b[12:], True)
lone_c0 = rewrite_bytes(lambda b: bytes((10, 5, 1, 8, 0, 0, 0, 0, 0xE7, 3)) + bytes(55) + b'\x01\xe8\x03' +
                        bytes(60) + b'\xc0\x05' + bytes((7 + 3 * i) % 0xC0 for i in range(1000)) + b'\x0c' +
                        bytes(v for i in range(256) for v in (i, i, i)))


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
    ('pcx-lone-c0.pcx', ['pcx:{}'], 6, 0, lone_c0),
    ('gif-code9.gif', ['-colors', '100', '{}'], 5, 0, gif_wide_codes(9)),
    ('gif-code11.gif', ['-resize', '45x19!', '-colors', '100', '{}'], 5, 0, gif_wide_codes(11)),
    ('gif-transparency-off.gif', ['-fuzz', '20%', '-transparent', 'white', '-colors', '30', '{}'], 5, 0,
     transparency_off),
    ('jpeg.jpg', ['-quality', '90', '{}'], 1, 1, None),
    ('jpeg-grey.jpg', ['-colorspace', 'gray', '{}'], 1, 1, None),
    ('jpeg-progressive.jpg', ['-interlace', 'JPEG', '{}'], 1, 1, None),
    ('jpeg-junk-before-marker.jpg', ['-quality', '90', '{}'], 1, 1, junk_before_marker),
    ('jpeg-jfif-2.jpg', ['-quality', '90', '{}'], 1, 1, jfif_revision_2),
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
    # Drawn over a colour: alpha blended (truncated, ImageMagick rounds), a GIF's transparent
    # index and the rest of its logical screen the colour (the other kinds draw as decoded).
    if kind in (5, 8):
        rc, out, err = picdecode('--render', '0x00DCA01E', name, name + '.drawn.pam')
        check(rc == 0, f'{name} drawn: exit {rc}: {err}')
        drawn = read_pam(name + '.drawn.pam')[3] if rc == 0 else b''
        over = im(source + '[0]', '-colorspace', 'sRGB', '-background', '#1EA0DC', '-flatten', '-depth', '8', 'rgba:-')
        check(len(drawn) * 4 == len(over) * 3, f'{name} drawn: {len(drawn) // 3} pixels, not {len(over) // 4}')
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

# Files made here: a PCX without its palette marker decodes black, also when a pixel byte 769
# bytes before the end is 0x0C (40x30, every byte literal); a PCX line shorter than its row and a
# BMP header of 2^32 - 14 bytes (14 + that wraps round to 0 in 32 bits, where the colour table
# would be read from the file's start and the picture shown) and a progressive JPEG cut before its
# last scan (whole scans, so libjpeg only warns of the early end) are refused.
pcx, bmp, jpeg = (open(name, 'rb').read() for name in ('pcx8.pcx', 'bmp24.bmp', 'jpeg-progressive.jpg'))
pixels = bytearray((i * 7) % 0xC0 for i in range(1200))
pixels[1200 - 769] = 0x0C
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


def fail_alloc_runs(name):
    """Draws `name` failing allocation 1, 2, ... until a run no longer meets the failure: each run
    is refused without output or gives the pixels of a plain run. Returns the number of runs."""
    subprocess.run([fail_alloc, '--render', '0x00DCA01E', name, 'right.pam'], capture_output=True)
    for n in range(1, 5000):
        subprocess.run(['rm', '-f', 'failed.pam'])
        r = subprocess.run([fail_alloc, '--render', '0x00DCA01E', name, 'failed.pam'], capture_output=True,
                           env=dict(os.environ, TAVORI_FAIL_ALLOC=str(n)), timeout=60)
        err, written = r.stderr.decode(errors='replace'), os.path.exists('failed.pam')
        good = r.returncode == 1 and not written or r.returncode == 0 and written and \
            open('failed.pam', 'rb').read() == open('right.pam', 'rb').read()
        check(good and 'Sanitizer' not in err, f'{name}: allocation {n} failed: exit {r.returncode}: {err[-400:]}')
        if 'fail-alloc: this allocation fails' not in err or not good:
            return n


if fail_alloc:  # a small picture of each decoder's layouts, and of the libraries'
    im('-seed', '7', '-size', '13x7', 'plasma:fractal', '-depth', '8', 'small.png')
    for name, options, kind, tolerance, rewrite in CASES:
        if name in ('bmp8.bmp', 'gif-interlaced.gif', 'gif-transparent.gif', 'pcx24.pcx', 'pcx1.pcx',
                    'jpeg-progressive.jpg', 'png-rgba16.png', 'png-palette-alpha.png'):
            im('small.png', *[o.format('small-' + name) for o in options])
            if rewrite:
                rewrite('small-' + name)
            print(f'small-{name}: {fail_alloc_runs("small-" + name)} runs with one allocation failing')

print(f'{checks - len(failures)} passed, {len(failures)} failed')
sys.exit(1 if failures else 0)
