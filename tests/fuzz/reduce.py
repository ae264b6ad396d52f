"""Runs a reproducer and tells how it ended; shrinks one to the statements
its death needs (ddmin over its guarded statements, keeping each cut that
ends the process the same way)."""
import os
import re

import driver

BLOCK = re.compile(r"^with quiet:\n(?:    .*\n?)+", re.M)


def outcome(script, host, options):
    """"exit 0", "SIGSEGV", "hang", ...: how the script's process ended."""
    env = driver.host_environment(options.build, options.scratch)
    err = script + ".err"
    timeout = max(options.unit_timeout.values())
    with open(script + ".out", "w") as out, open(err, "w") as errors:
        status, _ = driver.run_watched(driver.host_command(host, options.build, os.path.abspath(script)), env,
                                       options.scratch, err, err, timeout, out, errors)
    return "hang" if status is None else driver.ending(status)


def split(text):
    """(header, statements): each statement its guarded block with the comments before it."""
    first = BLOCK.search(text)
    if not first:
        return text, []
    header_end = text.rfind("\n", 0, first.start())
    comment_start = header_end
    # Comments right above the first block belong to it.
    lines = text[:first.start()].splitlines(keepends=True)
    while lines and lines[-1].startswith("# "):
        comment_start -= len(lines.pop())
    header = text[:comment_start + 1] if comment_start > 0 else ""
    blocks, pending = [], ""
    for line in text[len(header):].splitlines(keepends=True):
        if line.startswith("with quiet:"):
            blocks.append(pending + line)
            pending = ""
        elif line.startswith("    ") and blocks and not pending:
            blocks[-1] += line
        else:
            pending += line
    return header, blocks


def reduce(script, host, options):
    header, blocks = split(open(script, encoding="utf-8").read())
    target = outcome(script, host, options)
    if target == "exit 0":
        return f"{script} ends well in {host}: nothing to reduce"
    candidate = os.path.splitext(script)[0] + f"-{host}-reduced.py"

    def still_fails(kept):
        with open(candidate, "w", encoding="utf-8") as out:
            out.write(header + "".join(kept))
        return outcome(candidate, host, options) == target

    chunk = max(1, len(blocks) // 2)
    while True:
        start, cut = 0, False
        while start < len(blocks):
            trial = blocks[:start] + blocks[start + chunk:]
            if trial and still_fails(trial):
                blocks, cut = trial, True
            else:
                start += chunk
        if chunk == 1 and not cut:
            break
        chunk = max(1, chunk // 2) if not cut else chunk
    with open(candidate, "w", encoding="utf-8") as out:
        out.write(header + "".join(blocks))
    return f"{candidate}: {len(blocks)} statements, {target}"
