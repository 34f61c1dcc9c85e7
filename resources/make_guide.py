#!/usr/bin/env python3
"""The user's guide, resources/user-guide.md, made into what ships and what the
project shows: the help page beside tobalin.exe, which the tray menu's
サポートページ opens (Japanese first, English after), and the user part of
README.md (English).

    make_guide.py --html FILE   writes the help page
    make_guide.py --readme      rewrites the user part of README.md
    make_guide.py --check       fails when README.md is not what --readme writes

The guide is Markdown in two halves, each begun by a line
"<!-- lang: ja -->" or "<!-- lang: en -->". A line "<!-- include: PATH -->"
stands for the file at PATH (from the project's root) as a code block, so
that the guide shows the very samples that ship. A section whose "##"
heading ends in "{readme}" is for the README only (trying the program on
Linux, building it), and "{version}" stands for the program's version, as
its resources give it. Only the Markdown the guide uses is understood:
headings, paragraphs, "-" and "1." lists, ``` code blocks, pipe tables,
`code`, **bold** and [links](url).
"""
import html
import pathlib
import re
import sys

root = pathlib.Path(__file__).resolve().parent.parent
guide_path = root / "resources" / "user-guide.md"
readme_path = root / "README.md"
readme_begin = "<!-- The user's part, down to the marker below, is made from resources/user-guide.md by resources/make_guide.py --readme: edit it there. -->"
readme_end = "<!-- End of the user's part. -->"


def version():
    resources = (root / "resources" / "tobalin.rc").read_text(encoding="utf-8")
    return re.search(r'VALUE "ProductVersion", "([^"]+)"', resources).group(1)


def halves():
    """The guide's halves by language, includes expanded: {"ja": [...], "en": [...]}."""
    languages, current = {}, None
    for line in guide_path.read_text(encoding="utf-8").replace("{version}", version()).splitlines():
        marker = re.fullmatch(r"<!-- lang: (\w+) -->", line)
        include = re.fullmatch(r"<!-- include: (\S+) -->", line)
        if marker:
            current = languages.setdefault(marker.group(1), [])
        elif include:
            current += ["```"] + (root / include.group(1)).read_text(encoding="utf-8").splitlines() + ["```"]
        elif current is not None:
            current.append(line)
    return languages


def sections(lines, readme):
    """The lines without the sections that are not for this output; the
    README markers taken off the headings."""
    kept, skipping = [], False
    for line in lines:
        if line.startswith("## "):
            skipping = line.endswith("{readme}") and not readme
            line = line.removesuffix(" {readme}")
        if not skipping:
            kept.append(line)
    while kept and not kept[-1].strip():
        kept.pop()
    return kept


def readme_text():
    return "\n".join(sections(halves()["en"], readme=True)).strip("\n") + "\n"


def inline(text):
    parts = re.split(r"(`[^`]+`)", text)
    out = []
    for part in parts:
        if part.startswith("`") and part.endswith("`") and len(part) > 1:
            out.append("<code>" + html.escape(part[1:-1]) + "</code>")
            continue
        part = html.escape(part, quote=False)
        part = re.sub(r"\*\*(.+?)\*\*", r"<strong>\1</strong>", part)
        part = re.sub(r"\[([^\]]+)\]\(([^)]+)\)", r'<a href="\2">\1</a>', part)
        out.append(part)
    return "".join(out)


def to_html(lines, language):
    """The Markdown subset of the guide as HTML; headings get ids, "##"
    ones a table of contents."""
    body, contents = [], []
    i = 0

    def paragraph_end(j):
        while j < len(lines) and lines[j].strip() and not re.match(r"(#{1,3} |```|- |\d+\. |\|)", lines[j]):
            j += 1
        return j

    while i < len(lines):
        line = lines[i]
        if not line.strip():
            i += 1
        elif line.startswith("```"):
            end = lines.index("```", i + 1)
            body.append("<pre>" + html.escape("\n".join(lines[i + 1:end])) + "</pre>")
            i = end + 1
        elif m := re.match(r"(#{1,3}) (.*)", line):
            level, title = len(m.group(1)), m.group(2)
            anchor = f"{language}-{len(body)}"
            if level == 2:
                contents.append(f'<li><a href="#{anchor}">{inline(title)}</a></li>')
            body.append(f'<h{level} id="{anchor}">{inline(title)}</h{level}>')
            i += 1
        elif line.startswith("|"):
            rows = []
            while i < len(lines) and lines[i].startswith("|"):
                cells = [c.strip() for c in lines[i].strip().strip("|").split("|")]
                if not all(re.fullmatch(r":?-+:?", c) for c in cells):
                    rows.append(cells)
                i += 1
            head = "".join(f"<th>{inline(c)}</th>" for c in rows[0])
            rest = "".join("<tr>" + "".join(f"<td>{inline(c)}</td>" for c in row) + "</tr>" for row in rows[1:])
            body.append(f"<table><tr>{head}</tr>{rest}</table>")
        elif re.match(r"(- |\d+\. )", line):
            # Items, each with the items of a list indented under it.
            tag = "ul" if line.startswith("- ") else "ol"
            items = []
            while i < len(lines) and (re.match(r"(- |\d+\. )", lines[i]) or lines[i].startswith("  ")):
                if re.match(r"(- |\d+\. )", lines[i]):
                    items.append([re.sub(r"^(- |\d+\. )", "", lines[i]), []])
                elif lines[i].startswith("  - "):
                    items[-1][1].append(lines[i][4:])
                elif items[-1][1]:
                    items[-1][1][-1] += " " + lines[i].strip()
                else:
                    items[-1][0] += " " + lines[i].strip()
                i += 1
            body.append(f"<{tag}>" + "".join(
                f"<li>{inline(text)}" + ("<ul>" + "".join(f"<li>{inline(sub)}</li>" for sub in subs) + "</ul>" if subs else "")
                + "</li>" for text, subs in items) + f"</{tag}>")
        else:
            end = paragraph_end(i + 1)
            body.append("<p>" + inline(" ".join(l.strip() for l in lines[i:end])) + "</p>")
            i = end
    # The table of contents after the half's first heading and paragraph.
    at = 2 if len(body) > 1 and body[1].startswith("<p>") else 1
    return body[:at] + ['<ul class="contents">' + "".join(contents) + "</ul>"] + body[at:]


def help_page():
    languages = halves()
    japanese = to_html(sections(languages["ja"], readme=False), "ja")
    english = to_html(sections(languages["en"], readme=False), "en")
    return f"""<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="utf-8">
<title>Tobalin {version()} サポートページ / Support</title>
<style>
body {{ font-family: sans-serif; max-width: 50em; margin: 1em auto; padding: 0 1em; line-height: 1.6; }}
code, pre {{ background: #f2f2f2; }}
code {{ padding: 0 .2em; }}
pre {{ padding: .5em; overflow-x: auto; }}
h2 {{ border-bottom: 1px solid #ccc; }}
table {{ border-collapse: collapse; }}
th, td {{ border: 1px solid #ccc; padding: .2em .5em; text-align: left; vertical-align: top; }}
.language {{ text-align: right; }}
</style>
</head>
<body>
<p class="language">Tobalin {version()} · <a href="#en">English</a></p>
{chr(10).join(japanese)}
<hr id="en">
{chr(10).join(english)}
</body>
</html>
"""


def readme_with_guide():
    readme = readme_path.read_text(encoding="utf-8")
    before, found, rest = readme.partition(readme_begin + "\n")
    _, found_end, after = rest.partition(readme_end)
    if not found or not found_end:
        sys.exit(f"{readme_path.name}: the markers of the user's part are missing")
    return before + readme_begin + "\n" + readme_text() + "\n" + readme_end + after


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--html":
        page, path = help_page().encode("utf-8"), pathlib.Path(sys.argv[2])
        if not path.exists() or path.read_bytes() != page:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(page)
    elif sys.argv[1:] == ["--readme"]:
        readme_path.write_text(readme_with_guide(), encoding="utf-8", newline="\n")
    elif sys.argv[1:] == ["--check"]:
        if readme_path.read_text(encoding="utf-8") != readme_with_guide():
            sys.exit("README.md is out of date with resources/user-guide.md: run python3 resources/make_guide.py --readme")
    else:
        sys.exit(__doc__)


main()
