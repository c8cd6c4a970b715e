#!/usr/bin/env python3
"""class_surface.py [SRC] [--max N]: the public surface of every class and struct declared in the headers
under SRC. Prints one line per class over the limit (public declarations) and per class with public data
members that are not plain records, then a last line 'classes over N public declarations: K; classes with
public data members: M'. Exits non-zero when K > 0.

A class is counted by its own declarations: what it inherits from its bases is counted with the base
(a state composed of records, each its own struct, counts only what it adds). A declaration is one member
at the top of a class body: a field, a function (declared or defined inline),
a nested type, an alias. A struct whose members are all public fields is a record, not a class: its fields
are its purpose: it is named but not counted against the limit. Public data members are listed for types
declared `class` only (a `struct` is a record, whose fields are public by design)."""
import os, re, sys

def strip(text):
    text = re.sub(r'//[^\n]*', '', text)
    text = re.sub(r'/\*.*?\*/', '', text, flags=re.S)
    text = re.sub(r'"(\\.|[^"\\])*"', '""', text)
    text = re.sub(r"'(\\.|[^'\\])*'", "''", text)
    text = re.sub(r'\b(Q_OBJECT|Q_GADGET)\b', '', text)
    return re.sub(r'^\s*#[^\n]*', '', text, flags=re.M)

HEAD = re.compile(r'\b(class|struct)\s+(?:\[\[[^\]]*\]\]\s*)?([A-Za-z_]\w*)(?:\s+final)?\s*(?::[^;{()]*)?\{')

def body_end(text, start):
    depth = 0
    for i in range(start, len(text)):
        if text[i] == '{':
            depth += 1
        elif text[i] == '}':
            depth -= 1
            if depth == 0:
                return i
    return len(text)

def members(body, is_struct):
    """(access, text) of each top-level declaration of a class body."""
    access = 'public' if is_struct else 'private'
    out, cur, depth, i = [], '', 0, 0
    while i < len(body):
        c = body[i]
        if depth == 0:
            m = re.match(r'\s*(public|protected|private)(\s+(slots|Q_SLOTS))?\s*:(?!:)', body[i:])
            if m and not cur.strip():
                access = m.group(1); i += m.end(); continue
            m = re.match(r'\s*(signals|Q_SIGNALS)\s*:', body[i:])
            if m and not cur.strip():
                access = 'public'; i += m.end(); continue
        if c == '{':
            depth += 1
        elif c == '}':
            depth -= 1
            if depth == 0 and re.search(r'\)\s*(const)?\s*(noexcept)?\s*(override)?\s*(final)?\s*(->[^{]*)?(:[^{]*)?\{', cur + '{'):
                out.append((access, cur + '{}')); cur = ''; i += 1
                while i < len(body) and body[i] in ' \t\n;':
                    i += 1
                continue
        if depth == 0 and c == ';':
            if cur.strip():
                out.append((access, cur))
            cur = ''
        else:
            cur += c
        i += 1
    if cur.strip() and re.search(r'\w', cur) and not re.fullmatch(r'\s*Q_OBJECT\s*', cur):
        out.append((access, cur))
    return [(a, ' '.join(t.split())) for a, t in out if not re.fullmatch(r'\s*(Q_OBJECT|Q_GADGET)\s*', t)]

def declarators(decl):
    """How many names a field declaration declares ("QLabel *a = nullptr, *b;" declares two)."""
    depth, n = 0, 1
    for c in decl:
        if c in '([{<':
            depth += 1
        elif c in ')]}>':
            depth -= 1
        elif c == ',' and depth == 0:
            n += 1
    return n

def is_data(decl):
    d = re.sub(r'^(Q_OBJECT|Q_GADGET)\s*', '', decl)
    if re.match(r'(using|typedef|friend|enum|class|struct|union|template|static_assert|static)\b', d):
        return False
    head = re.split(r'=|\{', d, 1)[0]
    return '(' not in head and 'operator' not in head

def classes(src):
    for root, _, files in os.walk(src):
        for f in sorted(files):
            if not f.endswith(('.h', '.hpp')):
                continue
            path = os.path.join(root, f)
            text = strip(open(path, errors='replace').read())
            for m in HEAD.finditer(text):
                end = body_end(text, m.end() - 1)
                yield os.path.relpath(path, src), m.group(1), m.group(2), members(text[m.end():end], m.group(1) == 'struct')

def main():
    args = sys.argv[1:]
    limit = 50
    if '--max' in args:
        k = args.index('--max'); limit = int(args[k + 1]); del args[k:k + 2]
    src = args[0] if args else 'src'
    over = with_data = 0
    for path, kind, name, decls in classes(src):
        public = [t for a, t in decls if a == 'public']
        data = [t for t in public if is_data(t)]
        count = sum(declarators(t) if is_data(t) else 1 for t in public)
        record = decls and all(a == 'public' and is_data(t) for a, t in decls)
        if count > limit:
            if record:
                print('%s: %s is a record of %d fields (not counted)' % (path, name, count))
            else:
                over += 1
                print('%s: %s has %d public declarations (limit %d)' % (path, name, count, limit))
        if data and kind == 'class':
            with_data += 1
            print('%s: %s has %d public data members: %s' % (path, name, sum(map(declarators, data)), '; '.join(data[:4])))
    print('classes over %d public declarations: %d; classes with public data members: %d' % (limit, over, with_data))
    return 1 if over else 0

sys.exit(main())
