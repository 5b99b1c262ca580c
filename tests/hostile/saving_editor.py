"""An editor for the load test: it saves the file named by its last argument
several times, each save with content of its own that names the file and the
save, then exits.

Arguments: SAVES INTERVAL PID_DIR FILE
  SAVES     how many saves
  INTERVAL  seconds between saves (also before the first)
  PID_DIR   this process's id goes to PID_DIR/<file name>.pid
Each save replaces the content in one rename, carrying a modification time of
its own whole second (1700000000 + 10 * save number), and its content is
save_content(name, number) below.
"""

import os
import sys
import time


def save_content(name, number):
    return "".join("%s save %d line %d\n" % (name, number, line) for line in range(50))


def main():
    saves, interval, pid_dir, path = sys.argv[1:]
    name = os.path.basename(path)
    with open(os.path.join(pid_dir, name + ".pid"), "w") as out:
        out.write(str(os.getpid()))
    for number in range(1, int(saves) + 1):
        time.sleep(float(interval))
        temporary = os.path.join(os.path.dirname(path), "." + name + ".new")
        with open(temporary, "w") as out:
            out.write(save_content(name, number))
        stamp = (1700000000 + 10 * number) * 10**9
        os.utime(temporary, ns=(stamp, stamp))
        os.replace(temporary, path)


if __name__ == "__main__":
    main()
