"""A scripted editor for the tests: it acts on the file named by its last
argument (the one Scrivlet appends) step by step, then exits.

Steps, one argument each, run in order:
  pid=FILE       write this process's id to FILE
  args=FILE      write the file argument as received to FILE
  mtime=SECONDS  the modification time of the following writes and touches
                 (seconds since 1970, fractions allowed); "now" for the clock
  write=TEXT     replace the content with TEXT ("\\n" is a line end), in one
                 rename, already carrying its modification time
  append=TEXT    add TEXT at the end of the file in place (same inode)
  touch          set the modification time without changing the content
  delete         remove the file
  sleep=SECONDS  wait
  wait=FILE      wait until FILE exists (at most 20 seconds)
"""

import os
import sys
import time


def stamp_ns(mtime):
    return time.time_ns() if mtime is None else int(round(mtime * 1e9))


def replace_content(path, text, mtime):
    temporary = os.path.join(os.path.dirname(path), "." + os.path.basename(path) + ".new")
    with open(temporary, "w") as out:
        out.write(text)
    ns = stamp_ns(mtime)
    os.utime(temporary, ns=(ns, ns))
    os.replace(temporary, path)


def main():
    *steps, path = sys.argv[1:]
    mtime = None
    for step in steps:
        name, _, value = step.partition("=")
        if name == "pid":
            with open(value, "w") as out:
                out.write(str(os.getpid()))
        elif name == "args":
            with open(value, "w") as out:
                out.write(path)
        elif name == "mtime":
            mtime = None if value == "now" else float(value)
        elif name == "write":
            replace_content(path, value.replace("\\n", "\n"), mtime)
        elif name == "append":
            with open(path, "a") as out:
                out.write(value.replace("\\n", "\n"))
            if mtime is not None:
                ns = stamp_ns(mtime)
                os.utime(path, ns=(ns, ns))
        elif name == "wait":
            deadline = time.monotonic() + 20
            while not os.path.exists(value) and time.monotonic() < deadline:
                time.sleep(0.02)
        elif name == "touch":
            ns = stamp_ns(mtime)
            os.utime(path, ns=(ns, ns))
        elif name == "delete":
            os.remove(path)
        elif name == "sleep":
            time.sleep(float(value))
        else:
            sys.exit("scripted editor: unknown step " + step)


if __name__ == "__main__":
    main()
