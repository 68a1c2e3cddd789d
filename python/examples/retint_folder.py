#!/usr/bin/env python3
"""Re-tints every texture of a folder in place.

    python3 retint_folder.py FOLDER RED GREEN BLUE     (factors, e.g. 1 0.8 0.8)

Each colour channel is multiplied by its factor; alpha stays. Headers, pixel
and data formats are kept; a palette texture stays a palette texture with
the same indices (only its entries change) and its .pvp keeps its first
bytes. Each texture (and .pvp) is replaced only once its new bytes are
complete.
"""

import argparse
import sys
from pathlib import Path

from PIL import Image

import quillmere
import quillmere.pillow  # noqa: F401  (Pillow opens .pvz)


def scaled(value, factor):
    return min(255, round(value * factor))


def retint(path, factors):
    with Image.open(path) as image:
        image.load()
        info = dict(image.info)
        if image.mode == "P":  # a palette texture: tint its entries
            palette = image.getpalette()
            image.putpalette([scaled(v, factors[i % 3]) for i, v in enumerate(palette)])
            tinted = image
        else:
            *channels, alpha = image.split()
            channels = [c.point(lambda v, f=f: scaled(v, f)) for c, f in zip(channels, factors)]
            tinted = Image.merge("RGBA", (*channels, alpha))
    quillmere.save(path, tinted, header=info["header"], pixel_format=info["pixel_format"],
                   data_format=info["data_format"], keep_palette=info["data_format"] == 7,
                   palette=info.get("pvp"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", type=Path)
    parser.add_argument("factors", type=float, nargs=3, metavar="FACTOR")
    args = parser.parse_args()
    failed = 0
    for path in sorted(args.folder.iterdir()):
        if path.suffix.lower() != ".pvz" or not path.is_file():
            continue
        try:
            retint(path, args.factors)
            print(f"{path}: tinted")
        except (quillmere.Error, OSError) as error:
            failed += 1
            print(error, file=sys.stderr)  # names the file
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
