"""How the harness writes statements: each runs inside `with quiet:`, and a
journal's lines make statements again (indented lines continue the one
above, `#> ` labels the next one, other `#` lines are notes and markers)."""
import textwrap


def guard(source):
    """The statement as it runs: inside `with quiet:`."""
    return "with quiet:\n" + textwrap.indent(source, "    ")


def parse_statements(lines):
    """The statements of journal lines: (label, source)."""
    statements, label = [], ""
    for line in lines:
        if line.startswith("#> "):
            label = line[3:]
        elif line.startswith("#"):
            continue
        elif line[:1] in (" ", "\t") and statements:
            statements[-1] = (statements[-1][0], statements[-1][1] + "\n" + line)
        else:
            statements.append((label, line))
            label = ""
    return statements
