#!/usr/bin/env python3
"""Printer-like text for the demo: delivery notes and stock lists as an
office program would print them (CR LF lines, a form feed per page), so the
live view reads like a real capture.  Deterministic for one seed.

    tools/printout.py SIZE OUT [--seed N]
"""
import argparse
import random

ITEMS = [
    ("A-1042", "Copy paper A4 80 g, box of 5 reams", 24.90),
    ("A-1043", "Copy paper A3 80 g, box of 5 reams", 41.50),
    ("B-2210", "Toner cartridge, black, 12k pages", 89.00),
    ("B-2214", "Ribbon cassette, nylon, black", 7.35),
    ("C-0310", "Continuous form, 1-ply, 2000 sheets", 36.80),
    ("C-0312", "Continuous form, 3-ply carbonless", 64.20),
    ("D-5501", "Labels 70 x 36 mm, 2400 per pack", 18.45),
    ("E-0007", "Parallel cable IEEE 1284, 3 m", 12.99),
    ("F-7730", "Print head cleaning kit", 15.60),
    ("G-4100", "Envelopes C5, window right, 500", 21.75),
]
CUSTOMERS = [
    ("Hartwell & Sons Ltd", "14 Mill Lane", "Bristol BS1 4QT"),
    ("Nordvik Logistics AB", "Hamngatan 22", "411 06 Goteborg"),
    ("Cafe Albrecht", "Lindenstrasse 9", "10969 Berlin"),
    ("Ridgeway Medical Centre", "2 Station Road", "Leeds LS6 3AZ"),
    ("Marchetti Tessuti S.r.l.", "Via Roma 118", "59100 Prato"),
]
WIDTH = 78


def delivery_note(rng, number):
    name, street, town = rng.choice(CUSTOMERS)
    lines = [
        "KELMORA OFFICE SUPPLY".center(WIDTH).rstrip(),
        "Unit 7, Riverside Park - Tel. 0117 496 0321".center(WIDTH).rstrip(),
        "",
        "DELIVERY NOTE %06d" % number + ("Date: %02d.%02d.2026" % (rng.randint(1, 28), rng.randint(1, 12))).rjust(WIDTH - 19),
        "",
        name, street, town, "",
        "%-8s %-40s %5s %10s %10s" % ("Item", "Description", "Qty", "Price", "Amount"),
        "-" * WIDTH,
    ]
    total = 0.0
    for code, text, price in rng.sample(ITEMS, rng.randint(3, 8)):
        qty = rng.randint(1, 40)
        total += qty * price
        lines.append("%-8s %-40s %5d %10.2f %10.2f" % (code, text, qty, price, qty * price))
    lines += [
        "-" * WIDTH,
        "%s %10.2f" % ("Total excl. VAT".rjust(WIDTH - 11), total),
        "%s %10.2f" % ("VAT 20 %".rjust(WIDTH - 11), total * 0.2),
        "%s %10.2f" % ("TOTAL".rjust(WIDTH - 11), total * 1.2),
        "",
        "Goods received in good order: ______________________",
        "",
    ]
    return lines


def stock_list(rng, page):
    lines = ["STOCK LIST - WAREHOUSE 2" + ("Page %d" % page).rjust(WIDTH - 24), ""]
    lines.append("%-8s %-40s %8s %8s %8s" % ("Item", "Description", "On hand", "Ordered", "Min"))
    lines.append("=" * WIDTH)
    for code, text, _ in ITEMS:
        lines.append("%-8s %-40s %8d %8d %8d" % (code, text, rng.randint(0, 900), rng.randint(0, 200), 50))
    lines.append("")
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("size", type=int)
    parser.add_argument("out")
    parser.add_argument("--seed", type=int, default=7)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    data = bytearray()
    number, page = 4711, 1
    while len(data) < args.size:
        if rng.random() < 0.25:
            lines, page = stock_list(rng, page), page + 1
        else:
            lines, number = delivery_note(rng, number), number + 1
        data += ("\r\n".join(lines) + "\r\n\x0c").encode("ascii")
    with open(args.out, "wb") as out:
        out.write(bytes(data[:args.size]))


if __name__ == "__main__":
    main()
