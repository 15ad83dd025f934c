#!/usr/bin/env python3
"""Writes adversarial inputs of just under 1 MB for each fuzz target.

    fuzz/bounds/make_large_inputs.py OUTDIR

makes OUTDIR/<Target>/<case> for the targets ReadTag, ParseMessage and
DataSet. Each input stresses one resource: nesting depth (stack), the number
of items in one list or block (quadratic searches), column counts and row
counts taken from a header (memory), very long words. Every one of them
must finish in under a second and stay under 256 MB; fuzz/check_bounds.sh
runs them. The fuzzers themselves stop at 64 KiB, where such costs hide.
"""
import os
import sys

LIMIT = 1_000_000  # bytes; "under 1 MB" with room for a header


def fill(unit, head="", tail="", limit=LIMIT):
    """head + unit repeated + tail, at most limit bytes."""
    n = (limit - len(head) - len(tail)) // len(unit)
    return head + unit * n + tail


def names(count, prefix=""):
    """count distinct short word-character names."""
    alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    out = []
    i = 0
    while len(out) < count:
        n, name = i, ""
        while True:
            name = alphabet[n % len(alphabet)] + name
            n //= len(alphabet)
            if n == 0:
                break
        out.append(prefix + name)
        i += 1
    return out


def sized_join(items, head, tail, sep=" "):
    """head + items joined by sep + tail, cut to stay under LIMIT."""
    out, size = [], len(head) + len(tail)
    for item in items:
        if size + len(item) + len(sep) > LIMIT:
            break
        out.append(item)
        size += len(item) + len(sep)
    return head + sep.join(out) + tail


def read_tag_cases():
    half = LIMIT // 4
    return {
        "comment-nested-open": fill("/*"),
        "comment-nested-balanced": "/*" * half + "*/" * half,
        "comment-slash-star-run": "/*" + fill("/*/", limit=LIMIT - 4) + "*/",
        "many-words": fill("a "),
        "many-numbers": fill("1.5e-3,"),
        "many-values": fill("[A=1]"),
        "many-format-versions": fill("[FormatVersion=1]") + "x",
        "deep-blocks": fill("[a]"),
        "long-continued-statement": fill("b ", head="[A ", tail="]"),
        "word-too-long": "a" * (LIMIT - 1),
        "number-too-long": "1" * (LIMIT - 1),
        "many-end-tags": fill("[B] [~B]"),
    }


def parse_message_cases():
    keys = names(LIMIT // 6, "k")
    return {
        "deep-lists": fill("(a :b ", tail="c"),
        "deep-lists-closed": "(a :b " * 255 + "c" + ")" * 255,
        "wide-list-unique-keys": sized_join((":" + k + " x" for k in keys), "(a ", ")"),
        "wide-list-same-key": fill(" :k x", head="(a", tail=")"),
        "many-small-lists": sized_join((":" + k + " (b :c d)" for k in keys), "(a ", ")"),
        "long-atom": "a" * (LIMIT - 1),
        "many-colons": "a" + ":" * (LIMIT - 2),
    }


def dataset(header, rows):
    return "[DataSet]" + header + "[Data]" + rows + "[~Data][~DataSet]"


def dataset_cases():
    labels = names(LIMIT // 5, "L")
    return {
        "huge-inputs-one-row": dataset("[Rows=1][Inputs=2000000000]", "1"),
        "huge-inputs-no-rows": dataset("[Rows=0][Inputs=2000000000]", ""),
        "huge-error-no-rows": dataset("[Rows=0][Error=2000000000]", ""),
        "huge-outputs-one-row": dataset("[Rows=1][Inputs=0][ExpectedOutputs=300000000]", "1"),
        "huge-rows-short-file": fill("1 ", head="[DataSet][Rows=2147483647][Inputs=1][Data]"),
        "huge-rows-labels": fill("[] ", head="[DataSet][Rows=2147483647][ExpectedOutputs=Labels][Data]"),
        "huge-rows-no-columns": dataset("[Rows=2147483647]", ""),
        "one-row-many-columns": (lambda n: dataset("[Rows=1][Inputs=%d]" % n, " 1" * n))(
            (LIMIT - 100) // 2),
        "many-rows": (lambda n: dataset("[Rows=%d][Inputs=1]" % n, " 1" * n))((LIMIT - 100) // 2),
        "many-rows-labels": (lambda n: dataset("[Rows=%d][ExpectedOutputs=Labels]" % n, "[a]" * n))(
            (LIMIT - 100) // 3),
        "label-list-unique-names": sized_join(labels, "[DataSet][Rows=1][ExpectedOutputs=Labels][Data][",
                                              "][~Data][~DataSet]"),
        "label-list-same-name": fill(" a", head="[DataSet][Rows=1][ExpectedOutputs=Labels][Data][",
                                     tail="][~Data][~DataSet]"),
        "nested-comment-in-row": dataset("[Rows=1][Inputs=1]", "/*" * (LIMIT // 4) + "*/" * (LIMIT // 4) + "1"),
        "many-header-rows": fill("[Rows=1]", head="[DataSet]", tail="[Data][~Data][~DataSet]"),
    }


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_large_inputs.py OUTDIR")
    for target, cases in (("ReadTag", read_tag_cases()), ("ParseMessage", parse_message_cases()),
                          ("DataSet", dataset_cases())):
        folder = os.path.join(sys.argv[1], target)
        os.makedirs(folder, exist_ok=True)
        for name, text in cases.items():
            data = text.encode("latin-1")
            assert len(data) < 1 << 20, (target, name, len(data))
            with open(os.path.join(folder, name), "wb") as out:
                out.write(data)


if __name__ == "__main__":
    main()
