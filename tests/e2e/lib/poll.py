"""Waiting with a bound, for every helper of the end-to-end runs: the lowest of them, it
imports none of the others.

Helpers import each other downward only: poll <- sway <- virtual_pointer <- atspi <-
glimmer, waybar (sni, sni_host and thumbnails stand alone)."""

import time

from gi.repository import GLib

POLL = 0.1


class Timeout(AssertionError):
    """A condition awaited by wait() did not come about in time."""


def wait(condition, timeout=10, what="a condition"):
    """Polls condition() until it returns something true and returns that; Timeout otherwise.

    Exceptions from the accessibility bus while polling (an object going away as a window
    closes) count as "not yet". what may be a function, asked only when time is up."""
    end = time.monotonic() + timeout
    last = None
    while True:
        try:
            got = condition()
            if got:
                return got
        except (GLib.Error, LookupError, NotImplementedError) as e:
            last = e
        if time.monotonic() >= end:
            if callable(what):
                try:
                    what = what()
                except Exception as e:  # the state it describes went away
                    what = f"(undescribable: {e})"
            raise Timeout(f"{what} did not come about in {timeout} s"
                          + (f" (last error: {last})" if last else ""))
        time.sleep(POLL)
