#!/usr/bin/env python3
"""Writes the inputs of the whole-tool benchmark into a directory:

  weights.net   a Kohonen map with INPUTS inputs on a SIDE x SIDE grid
  map.dat       the labelled map: one row per cell, a few words per cell
  items.dat     ITEMS coordinate rows: INPUTS values and the two grid
                coordinates of the item's cell

Usage: make_inputs.py DIR ITEMS [--inputs 16] [--side 40]
The numbers are pseudo-random with a fixed seed, so runs are repeatable.
"""
import argparse
import os
import random

WORDS = ["alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta",
         "iota", "kappa", "lambda", "mu", "nu", "xi", "omicron", "pi", "rho",
         "sigma", "tau", "upsilon", "phi", "chi", "psi", "omega"]


def write_weights(path, inputs, side, rng):
    cells = side * side
    with open(path, "w") as f:
        f.write("[FormatVersion = 1.0]\n\n[NeuralNetwork]\n[NetworkType = Kohonen]\n")
        f.write("[NetworkInformation]\n[NumberOfLayers = 3]\n[InputLayer = 1]\n"
                "[OutputLayer = 2]\n[~NetworkInformation]\n")
        f.write(f"[Dimensions = 2]\n[Dimension = 0 Size = {side}]\n"
                f"[Dimension = 1 Size = {side}]\n[~Dimensions]\n")
        f.write("[Layer = 0]\n[LayerType = Simple]\n[NumberOfNeurons = 0]\n"
                "[ActivationFunction = error]\n[~Layer]\n")
        f.write(f"[Layer = 1]\n[LayerType = Input]\n[NumberOfNeurons = {inputs}]\n"
                "[ActivationFunction = linear]\n[~Layer]\n")
        f.write(f"[Layer = 2]\n[LayerType = Simple]\n[NumberOfNeurons = {cells}]\n"
                "[ActivationFunction = linear]\n[~Layer]\n")
        f.write("[ConnectionLayer]\n[LayerFrom = 1]\n[LayerTo = 2]\n"
                "[ConnectionType = FullyConnected]\n[Matrix Weights]\n")
        for _ in range(inputs):
            f.write(" ".join(f"{rng.random():.6f}" for _ in range(cells)))
            f.write("\n")
        f.write("[~Matrix]\n[~ConnectionLayer]\n[~NeuralNetwork]\n")


def write_map(path, side, rng):
    with open(path, "w") as f:
        f.write("[FormatVersion = 1.0]\n\n[DataSet]\n")
        f.write(f"[Rows = {side * side}]\n[Inputs = 2]\n[ExpectedOutputs = Labels]\n"
                "[GeneratedOutputs = 0]\n[Error = 0]\n\n[Data]\n")
        for r in range(side):
            for c in range(side):
                words = rng.sample(WORDS, rng.randint(1, 4))
                items = " ".join(w if rng.random() < 0.5 else f"{w}={rng.randint(2, 9)}.000000000"
                                 for w in words)
                f.write(f"{r} {c}  [{items} ] \n")
        f.write("[~Data]\n\n[~DataSet]\n")


def write_items(path, items, inputs, side, rng):
    with open(path, "w") as f:
        f.write("[FormatVersion = 1.0]\n\n[DataSet]\n")
        f.write(f"[Rows = {items}]\n[Inputs = {inputs}]\n[ExpectedOutputs = 2]\n"
                "[GeneratedOutputs = 0]\n[Error = 0]\n\n[Data]\n")
        chunk = []
        for _ in range(items):
            values = " ".join(f"{rng.random():.6g}" for _ in range(inputs))
            chunk.append(f"{values}  {rng.randrange(side)} {rng.randrange(side)} \n")
            if len(chunk) == 10000:
                f.write("".join(chunk))
                chunk.clear()
        f.write("".join(chunk))
        f.write("[~Data]\n\n[~DataSet]\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dir")
    parser.add_argument("items", type=int)
    parser.add_argument("--inputs", type=int, default=16)
    parser.add_argument("--side", type=int, default=40)
    args = parser.parse_args()
    os.makedirs(args.dir, exist_ok=True)
    rng = random.Random(20261211)
    write_weights(os.path.join(args.dir, "weights.net"), args.inputs, args.side, rng)
    write_map(os.path.join(args.dir, "map.dat"), args.side, rng)
    write_items(os.path.join(args.dir, "items.dat"), args.items, args.inputs, args.side, rng)


if __name__ == "__main__":
    main()
