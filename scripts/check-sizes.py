#!/usr/bin/env python3
"""The house sizes: no C++ source file over 800 lines, no function over 80.

Usage: check-sizes.py [FILE...]   (no FILE: every tracked *.cpp and *.h)

A function's lines run from the line of its name to the line of its closing
brace. Each offender is printed as FILE:LINE: what, and the exit status is 1
when there is one. The scan matches braces after comments, strings and
character literals are blanked out; it knows our formatting, not all of C++.
"""
import re
import subprocess
import sys
from pathlib import Path

MAX_FILE_LINES = 800
MAX_FUNCTION_LINES = 80


def blank_literals(text):
    """The text with comments, strings, character literals and preprocessor
    lines turned into spaces (line breaks kept, so lines still count)."""
    out = []
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c in ' \t':
            out.append(c)
            i += 1
            continue
        if line_start and c == '#':
            # A directive, with its continuation lines.
            while i < n and text[i] != '\n':
                if text[i] == '\\' and i + 1 < n and text[i + 1] == '\n':
                    out.append(' \n')
                    i += 2
                    continue
                out.append(' ')
                i += 1
            continue
        line_start = c == '\n'
        if text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
            out.append(' ' * (j - i))
            i = j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r'[^\n]', ' ', text[i:j]))
            i = j
        elif c == 'R' and text.startswith('"', i + 1) and not (i and (text[i - 1].isalnum() or text[i - 1] == '_')):
            m = re.match(r'R"([^(\s]{0,16})\(', text[i:])
            end = text.find(')' + m.group(1) + '"', i) if m else -1
            j = n if end < 0 else end + len(m.group(1)) + 2
            out.append(re.sub(r'[^\n]', ' ', text[i:j]))
            i = j
        elif c == '"' or (c == "'" and not is_digit_separator(text, i)):
            j = i + 1
            while j < n and text[j] != c and text[j] != '\n':
                j += 2 if text[j] == '\\' else 1
            j = min(j + 1, n)
            out.append(c + ' ' * (j - i - 2) + c if j - i >= 2 else ' ')
            i = j
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def is_digit_separator(text, i):
    """Whether the quote at i separates digits of a number (1'000)."""
    token = re.search(r"[0-9A-Za-z_'.]*$", text[max(0, i - 64):i]).group(0)
    return token[:1].isdigit() and i + 1 < len(text) and text[i + 1].isalnum()


SCOPE = re.compile(r'\bnamespace\b|\bextern\s+"\s*"\s*$')
TYPE = re.compile(r'^(template\s*<.*?>\s*)?(class|struct|union|enum)\b', re.S)
TYPE_ANYWHERE = re.compile(r'\b(class|struct|union|enum)\b')
INITIALIZER_END = re.compile(r'(=|,|\(|\[|\breturn|[-+*/%&|^!<>?:])$')
NAME = re.compile(r'(operator\s*(\(\)|[^\s(]+)|~?[A-Za-z_]\w*(\s*::\s*~?[A-Za-z_]\w*)*)\s*(<[^()\n]*>)?\s*$')


def kind_of(head):
    """What a brace opens at class or namespace level, by what comes before it."""
    head = re.sub(r'\b(public|private|protected)\s*:(?!:)', ' ', head).strip()
    if SCOPE.search(head) and '(' not in head:
        return 'scope'
    # Inside an open parenthesis (a macro's or a call's arguments) a brace
    # is a value.
    if INITIALIZER_END.search(head) or not head or head.count('(') > head.count(')'):
        return 'data'
    if TYPE.match(head):
        return 'scope'
    if '(' in head:
        return 'function'
    if TYPE_ANYWHERE.search(head):
        return 'scope'
    return 'data'


def function_name(head, head_start):
    """The function's name and the offset of its first character."""
    k = head.find('(')
    m = NAME.search(head[:k])
    if m:
        name = re.sub(r'\s+', ' ', m.group(1))
        if name in ('TEST', 'TEST_F', 'TEST_P'):  # a test is named by its suite and case
            name += re.sub(r'\s+', ' ', head[k:head.find(')', k) + 1])
        return name, head_start + m.start(1)
    return 'lambda', head_start + len(head) - len(head.lstrip())


def skip_block(clean, i):
    """The offset just past the brace that closes the one at i."""
    depth = 0
    n = len(clean)
    while i < n:
        if clean[i] == '{':
            depth += 1
        elif clean[i] == '}':
            depth -= 1
            if depth == 0:
                return i + 1
        i += 1
    return n


def long_functions(text):
    """(line, name, lines) of every function over the limit."""
    clean = blank_literals(text)
    line_of = lambda offset: clean.count('\n', 0, offset) + 1
    found = []
    head_start = 0
    i, n = 0, len(clean)
    while i < n:
        c = clean[i]
        if c == ';':
            head_start = i + 1
        elif c == '}':
            head_start = i + 1
        elif c == '{':
            head = clean[head_start:i]
            kind = kind_of(head)
            if kind == 'scope':
                head_start = i + 1
            elif kind == 'data':
                i = skip_block(clean, i)
                continue
            else:
                end = skip_block(clean, i)
                name, start = function_name(head, head_start)
                first, last = line_of(start), line_of(end - 1)
                if last - first + 1 > MAX_FUNCTION_LINES:
                    found.append((first, name, last - first + 1))
                head_start = i = end
                continue
        i += 1
    return found


def tracked_files():
    root = Path(__file__).resolve().parent.parent
    names = subprocess.run(['git', 'ls-files', '*.cpp', '*.h'], cwd=root, check=True, capture_output=True,
                           text=True).stdout.split()
    return [root / name for name in names]


def main(argv):
    files = [Path(a) for a in argv[1:]] or tracked_files()
    offenders = 0
    for path in files:
        text = path.read_text(encoding='utf-8', errors='replace')
        lines = text.count('\n') + (0 if text.endswith('\n') or not text else 1)
        if lines > MAX_FILE_LINES:
            print(f'{path}:{lines}: o arquivo tem {lines} linhas (máximo {MAX_FILE_LINES})')
            offenders += 1
        for line, name, count in long_functions(text):
            print(f'{path}:{line}: a função {name} tem {count} linhas (máximo {MAX_FUNCTION_LINES})')
            offenders += 1
    return 1 if offenders else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
