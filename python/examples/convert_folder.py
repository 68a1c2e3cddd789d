#!/usr/bin/env python3
"""Extracts every texture under a folder to PNG, several at a time.

    python3 convert_folder.py FOLDER [-j N]

Each PNG goes beside its texture under the name quillmere-cli pvz2png gives
it, with the same pixels (the PNG's bytes are Pillow's). quillmere's calls
release Python's lock while the library works, so threads decode in
parallel.
"""

import argparse
import os
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

from PIL import Image

import quillmere


def save_whole(image, path):
    """Saves under a temporary name, then renames: no half-written PNG."""
    handle, temporary = tempfile.mkstemp(prefix=f".{path.name}.", dir=path.parent)
    try:
        with os.fdopen(handle, "wb") as file:
            image.save(file, format="PNG")
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def extract(path):
    texture = quillmere.read(path)  # the .pvp beside it, in any letter case
    png = Path(texture.png_name(str(path)))
    picture = Image.frombytes("RGBA", (texture.width, texture.height), texture.rgba)
    save_whole(picture, png)
    return png


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", type=Path)
    parser.add_argument("-j", "--jobs", type=int, default=os.cpu_count())
    args = parser.parse_args()
    textures = sorted(p for p in args.folder.rglob("*")
                      if p.suffix.lower() == ".pvz" and p.is_file())
    failed = 0

    def attempt(path):
        try:
            return extract(path)
        except (quillmere.Error, OSError) as error:
            return error

    with ThreadPoolExecutor(args.jobs) as pool:
        for path, outcome in zip(textures, pool.map(attempt, textures)):
            if isinstance(outcome, Exception):
                failed += 1
                print(outcome, file=sys.stderr)  # names the file
            else:
                print(f"{path} -> {outcome.name}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
