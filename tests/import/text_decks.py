#!/usr/bin/env python3
"""Decks and slides with known words, for the slide text tests and bench.

  text_decks.py templates OUT SLIDES TEMPLATE.otp...
      One presentation per LibreOffice Impress template (OUT/NAME.odp): the
      template's own title slide and content slide (its masters, colours,
      pictures and words), filled with a title and a subtitle, then
      SLIDES - 1 content slides with a title and bullet points (a template
      of one slide gives them all). The words are chosen by slide
      number from the lines below, so every run writes the same decks.
  text_decks.py titled OUT.odp TEMPLATE.otp TITLE SUBTITLE
      The template's title slide alone with its title and subtitle
      placeholders filled, however narrow, in the template's own order
      (Focus puts its subtitle first).
  text_decks.py drawn OUT TEMPLATE_DIR
      Slides drawn with FFmpeg, as a lecturer's pictures from elsewhere
      (OUT/imgNNN.gif at 640x480 and OUT/imgNNN.webp at 1920x1080): a dark
      theme, text over a photograph (the sky of the template Freshes), two
      columns, a table and a slide with no text. OUT/expected/imgNNN.txt
      holds each one's words.
"""
import os
import re
import shutil
import subprocess
import sys
import zipfile
from xml.sax.saxutils import escape

TITLES = [
    "Signals and Systems", "Sampling and Aliasing", "The Fourier Transform", "Filters in Practice",
    "Convolution Explained", "Noise and Measurement", "Feedback Control", "Digital Modulation",
    "Spectral Estimation", "Review of the Week", "Linear Algebra Basics", "Probability Refresher",
]
LINES = [
    "A signal carries information over time", "Systems map input signals to outputs",
    "Linear systems obey superposition", "Sample at least twice the highest frequency",
    "Aliasing folds high frequencies down", "An anti-aliasing filter comes first",
    "Every periodic signal is a sum of sines", "The transform moves us to frequency",
    "Phase matters as much as magnitude", "Low-pass filters smooth the signal",
    "A band-pass filter keeps one range", "Filter order sets the steepness",
    "Convolution is a sliding weighted sum", "Impulse response describes the system",
    "Measure twice and average the noise", "White noise has a flat spectrum",
    "Feedback reduces sensitivity to errors", "Stability depends on the loop gain",
    "Phase shift keying encodes bits in phase", "Quadrature carriers double the rate",
    "Windowing trades resolution for leakage", "Welch averages many short spectra",
    "Homework three is due on Friday", "Office hours move to Room 214",
    "Matrices represent linear maps", "Eigenvectors keep their direction",
    "Independent events multiply", "The mean of many samples converges",
]
SUBTITLES = ["Lecture 4 of Electrical Engineering 201", "Spring term, Week 7", "Department of Physics",
             "Prepared for the second-year course"]


def slide_words(i):
    title = TITLES[i % len(TITLES)]
    bullets = [LINES[(i * 3 + k) % len(LINES)] for k in range(4)]
    return title, bullets


def text_box(paragraphs, bullets=False):
    if bullets:
        items = "".join("<text:list-item><text:p>%s</text:p></text:list-item>" % escape(p) for p in paragraphs)
        return "<draw:text-box><text:list>%s</text:list></draw:text-box>" % items
    return "<draw:text-box>%s</draw:text-box>" % "".join("<text:p>%s</text:p>" % escape(p) for p in paragraphs)


def fill(frame, cls, content):
    """The template's placeholder frame of class cls with content instead of its empty text box."""
    frame = frame.replace(' presentation:placeholder="true"', "")
    return re.sub(r"<draw:text-box\s*/>|<draw:text-box>.*?</draw:text-box>", content, frame, count=1, flags=re.S)


def page_frames(page):
    return re.findall(r'<draw:frame[^>]*presentation:class="(\w+)"[^>]*>.*?</draw:frame>', page, flags=re.S), \
        re.findall(r'<draw:frame[^>]*presentation:class="\w+"[^>]*>.*?</draw:frame>', page, flags=re.S)


def make_page(template_page, number, words, min_width=12):
    """The template's page with its first title placeholder and its first subtitle or outline placeholder
    (min_width cm wide or more) filled; further placeholders stay empty (and are not drawn)."""
    classes, frames = page_frames(template_page)
    out = template_page
    filled = set()
    for cls, frame in zip(classes, frames):
        kind = "body" if cls in ("subtitle", "outline") else cls
        width = re.search(r'svg:width="([0-9.]+)cm"', frame)
        # Words are not put where they would not fit: the template's narrow
        # boxes are for a word or two.
        if kind in filled or kind not in ("title", "body") or not width or float(width.group(1)) < min_width:
            continue
        filled.add(kind)
        if cls == "title":
            content = text_box([words[0]])
        elif cls == "subtitle":
            content = text_box([words[1]] if isinstance(words[1], str) else words[1][:1])
        else:
            content = text_box(words[1] if not isinstance(words[1], str) else [words[1]], bullets=True)
        out = out.replace(frame, fill(frame, cls, content), 1)
    return re.sub(r'draw:name="[^"]*"', 'draw:name="page%d"' % number, out, count=1)


def templates(out, count, paths):
    os.makedirs(out, exist_ok=True)
    for path in paths:
        name = os.path.splitext(os.path.basename(path))[0]
        seed = sum(map(ord, name))

        def pages(first, body):
            new = [make_page(first, 1, (TITLES[seed % len(TITLES)], SUBTITLES[seed % len(SUBTITLES)]))]
            for i in range(1, count):
                title, bullets = slide_words(seed + i)
                new.append(make_page(body, i + 1, (title, bullets)))
            return new
        write_deck(path, os.path.join(out, name + ".odp"), pages)


def titled(target, path, title, subtitle):
    write_deck(path, target, lambda first, body: [make_page(first, 1, (title, subtitle), min_width=0)])


def write_deck(path, target, make_pages):
    """A presentation of the template's masters with the pages make_pages(first, body) makes from the
    template's first and second pages (the first again where it has no second)."""
    with zipfile.ZipFile(path) as z:
        content = z.read("content.xml").decode("utf-8")
        members = [(i, z.read(i.filename)) for i in z.infolist()]
    pages = re.findall(r"<draw:page .*?</draw:page>", content, flags=re.S)
    if pages:
        start = content.index(pages[0])
        end = content.index(pages[-1]) + len(pages[-1])
        content = content[:start] + "".join(make_pages(pages[0], pages[min(1, len(pages) - 1)])) + content[end:]
        with zipfile.ZipFile(target, "w") as z:
            for info, data in members:
                if info.filename == "mimetype":
                    z.writestr(info, b"application/vnd.oasis.opendocument.presentation",
                               compress_type=zipfile.ZIP_STORED)
                elif info.filename == "content.xml":
                    z.writestr("content.xml", content.encode("utf-8"), compress_type=zipfile.ZIP_DEFLATED)
                elif info.filename == "META-INF/manifest.xml":
                    z.writestr(info, data.replace(b"application/vnd.oasis.opendocument.presentation-template",
                                                  b"application/vnd.oasis.opendocument.presentation"))
                else:
                    z.writestr(info, data)


FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def drawtext(text, x, y, size, colour, font=FONT, extra=""):
    text = text.replace("\\", "\\\\").replace(":", "\\:").replace("'", "\u2019").replace("%", "\\%")
    return "drawtext=fontfile=%s:text='%s':x=%s:y=%s:fontsize=%d:fontcolor=%s%s" % (font, text, x, y, size, colour, extra)


def photo(out, template_dir):
    """The largest photograph of the template Freshes, written as OUT/photo.jpg."""
    with zipfile.ZipFile(os.path.join(template_dir, "Freshes.otp")) as z:
        name = max((i for i in z.infolist() if i.filename.endswith(".jpg")), key=lambda i: i.file_size).filename
        path = os.path.join(out, "photo.jpg")
        with open(path, "wb") as f:
            f.write(z.read(name))
    return path


def drawn(out, template_dir):
    """Each slide: (its words as lines, an empty line between blocks; background source; drawing filters)."""
    os.makedirs(os.path.join(out, "expected"), exist_ok=True)
    W, H = 1920, 1080
    slides = []
    # A dark theme: light words on deep blue.
    lines = ["Gradient descent", "", "Start from a random guess", "Step against the gradient",
             "Shrink the step as you converge"]
    f = [drawtext(lines[0], 120, 100, 96, "white", BOLD)]
    f += [drawtext(l, 160, 330 + 120 * k, 64, "0xd0d8ff") for k, l in enumerate(lines[2:])]
    slides.append((lines, "color=c=0x14183a:s=%dx%d" % (W, H), f))
    # Words over a photograph: a sky, with a cloud behind the ends of the lines.
    lines = ["Field trip to the coast", "", "Meet at the station at eight", "Bring boots and a notebook"]
    f = ["scale=%d:%d" % (W, H)]
    shadow = ":shadowx=4:shadowy=4:shadowcolor=black@0.8"
    f += [drawtext(lines[0], 120, 120, 100, "white", BOLD, shadow)]
    f += [drawtext(l, 140, 420 + 140 * k, 72, "white", BOLD, shadow) for k, l in enumerate(lines[2:])]
    slides.append((lines, photo(out, template_dir), f))
    # Two columns.
    left = ["Classical view", "Particles have paths", "Energy is continuous"]
    right = ["Quantum view", "Wave functions spread", "Energy comes in steps"]
    lines = ["Two pictures of matter", ""] + left + [""] + right
    f = [drawtext(lines[0], 120, 80, 90, "black", BOLD)]
    f += [drawtext(l, 120, 330 + 110 * k, 60 if k else 68, "0x202020", BOLD if k == 0 else FONT)
          for k, l in enumerate(left)]
    f += [drawtext(l, 1020, 330 + 110 * k, 60 if k else 68, "0x202020", BOLD if k == 0 else FONT)
          for k, l in enumerate(right)]
    slides.append((lines, "color=c=white:s=%dx%d" % (W, H), f))
    # A table of three rows and three columns.
    rows = [["Metal", "Density", "Melting"], ["Iron", "7874", "1538"], ["Copper", "8960", "1085"]]
    lines = ["Properties of metals", ""] + [" ".join(r) for r in rows]
    f = [drawtext(lines[0], 120, 80, 90, "black", BOLD)]
    for r in range(4):
        f.append("drawbox=x=200:y=%d:w=1500:h=4:color=0x404040:t=fill" % (300 + 180 * r))
    for c in range(4):
        f.append("drawbox=x=%d:y=300:w=4:h=540:color=0x404040:t=fill" % (200 + 500 * c))
    for r, row in enumerate(rows):
        for c, cell in enumerate(row):
            f.append(drawtext(cell, 260 + 500 * c, 350 + 180 * r, 64, "black", BOLD if r == 0 else FONT))
    slides.append((lines, "color=c=0xf4f4f4:s=%dx%d" % (W, H), f))
    # No words at all: shapes only.
    f = ["drawbox=x=300:y=250:w=500:h=500:color=0x3060c0:t=fill", "drawbox=x=1100:y=350:w=500:h=300:color=0xc06030:t=fill"]
    slides.append(([], "color=c=white:s=%dx%d" % (W, H), f))

    for n, (lines, source, filters) in enumerate(slides, 1):
        base = os.path.join(out, "img%03d" % n)
        graph = ",".join(["trim=end_frame=1"] + filters)
        source = ["-i", source] if source.endswith(".jpg") else ["-f", "lavfi", "-i", source]
        common = ["ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y"] + source + ["-frames:v", "1", "-vf"]
        subprocess.run(common + [graph, "-c:v", "libwebp", "-lossless", "1", base + ".webp"], check=True)
        subprocess.run(common + [graph + ",scale=640:480:flags=lanczos,split[a][b];[a]palettegen[p];[b][p]paletteuse",
                                 base + ".gif"], check=True)
        with open(os.path.join(out, "expected", "img%03d.txt" % n), "w", encoding="utf-8") as e:
            e.write("\n".join(lines))


if __name__ == "__main__":
    if len(sys.argv) >= 4 and sys.argv[1] == "templates":
        templates(sys.argv[2], int(sys.argv[3]), sys.argv[4:])
    elif len(sys.argv) == 6 and sys.argv[1] == "titled":
        titled(*sys.argv[2:])
    elif len(sys.argv) == 4 and sys.argv[1] == "drawn":
        drawn(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
