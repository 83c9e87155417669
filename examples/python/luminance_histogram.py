#!/usr/bin/env python3
"""Renders a scene with the uvo module and plots the histogram of its pixels'
luminance (log scale) with matplotlib, into a PNG.

    PYTHONPATH=build/python python3 examples/python/luminance_histogram.py \
        scenes/default.json -o out/default_luminance.png [--width 160 --height 120]

Luminance uses the Rec. 709 weights on the beauty (the frame before the
camera's output shaders), in the scene's radiance units.
"""
import argparse
import os

import matplotlib

matplotlib.use("Agg")  # no display needed
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import uvo  # noqa: E402

REC709 = np.array([0.2126, 0.7152, 0.0722], dtype=np.float32)


def luminance(image):
    """Per-pixel luminance of a (height, width, 3 or 4) linear image."""
    return image[..., :3] @ REC709


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("scene")
    parser.add_argument("-o", "--output", default="luminance_histogram.png")
    parser.add_argument("--width", type=int, default=0)
    parser.add_argument("--height", type=int, default=0)
    parser.add_argument("--samples", type=int, default=0)
    args = parser.parse_args()

    render = uvo.render(args.scene, width=args.width, height=args.height, samples=args.samples)
    lum = luminance(render["beauty"]).ravel()
    lit = lum[lum > 0]
    if lit.size == 0:
        raise SystemExit(f"{args.scene}: every pixel is black")

    fig, ax = plt.subplots(figsize=(6, 4), dpi=100)
    bins = np.logspace(np.log10(lit.min()), np.log10(lit.max()) + 1e-6, 60)
    ax.hist(lit, bins=bins, color="#d08030")
    ax.set_xscale("log")
    ax.set_xlabel(f"luminance ({render['units']['beauty']}, scene units)")
    ax.set_ylabel("pixels")
    ax.set_title(f"{os.path.basename(args.scene)}: {lum.size - lit.size} black of {lum.size} pixels")
    ax.axvline(np.median(lit), color="black", linestyle="--", label=f"median {np.median(lit):.3g}")
    ax.legend()
    fig.tight_layout()
    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    fig.savefig(args.output)
    print(f"{args.output}: {lum.size} pixels, median luminance {np.median(lit):.4g}")


if __name__ == "__main__":
    main()
