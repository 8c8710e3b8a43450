#!/usr/bin/env python3
"""Interrupted-save trial: kills image builds (rq30517-cli build) and client-file saves
(save_client_once, the access editor's save function) with SIGKILL at random moments, and counts
image pairs that mix two builds, client files that are not one whole save, and temporary files
left behind. Not a test: it prints figures.

    bench/save_kill/kill_loop.py [--bin build/bin] [--builds 250] [--saves 60]
"""
import argparse
import os
import random
import re
import shutil
import statistics
import struct
import subprocess
import tempfile
import time
import xml.etree.ElementTree as ET

LEFTOVER = re.compile(r"^\.(bank[12]\.bin|ParGen\.xml|IEC_61850_Client\.xml)\.[A-Za-z0-9]{6}$")


def leftovers(folder):
    return [n for n in os.listdir(folder) if LEFTOVER.match(n)]


def pargen_xml(generation):
    # The Modbus port lands in bank1, the VLAN in bank2's header: both carry the generation.
    return ("<Par_Gen><Modbus_TCP_Slave_Port>%d</Modbus_TCP_Slave_Port>"
            "<IEC61850_Client_VLAN>%d</IEC61850_Client_VLAN></Par_Gen>" % (generation, generation))


def client_xml(variables):
    items = "".join(
        '<DA_Item Index="0" bType="FLOAT32" fc="MX" Reference="LD0/MMXU1.TotW.mag.f.%d" '
        'IPAddress="127.0.0.1" Port="102" OnChange="Y" OnCMD="N" OnTimer="N" Time="1000" '
        'Position="%d" StartBit="0" ReadWrite="Read" Convertion="None" MoltFact="1" '
        'Mnemonic=""/>' % (i, i % 60000) for i in range(variables))
    return ("<IEC_68850_Client><List_ICD_Files/><List_DA_Selected>%s</List_DA_Selected>"
            "<List_DataSet_Selected/></IEC_68850_Client>" % items)


def run_killed(argv, delay):
    """Starts argv, kills it with SIGKILL after `delay` seconds; True when it was still running."""
    p = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(delay)
    killed = p.poll() is None
    p.kill()
    p.wait()
    return killed


def duration(argv, times=5):
    spans = []
    for _ in range(times):
        start = time.monotonic()
        subprocess.run(argv, check=True, stdout=subprocess.DEVNULL)
        spans.append(time.monotonic() - start)
    return statistics.median(spans)


def trial_builds(cli, count, variables):
    conf = tempfile.mkdtemp(prefix="kill_builds_")
    binf = os.path.join(conf, "bin")
    os.mkdir(binf)
    with open(os.path.join(conf, "IEC_61850_Client.xml"), "w") as f:
        f.write(client_xml(variables))
    with open(os.path.join(conf, "ParGen.xml"), "w") as f:
        f.write(pargen_xml(1))
    argv = [cli, "build", conf]
    span = duration(argv)
    killed = mixed = left_by_kills = most_leftovers = 0
    for generation in range(2, count + 2):
        with open(os.path.join(conf, "ParGen.xml"), "w") as f:
            f.write(pargen_xml(generation))
        before = set(leftovers(binf))
        killed += run_killed(argv, random.uniform(0, 1.2 * span))
        now = set(leftovers(binf))
        left_by_kills += len(now - before)
        most_leftovers = max(most_leftovers, len(now))
        with open(os.path.join(binf, "bank1.bin"), "rb") as f:
            bank1 = f.read()
        with open(os.path.join(binf, "bank2.bin"), "rb") as f:
            bank2 = f.read()
        port = struct.unpack_from("<H", bank1, 54)[0]
        vlan = struct.unpack_from("<i", bank2, 8)[0]
        if port != vlan:
            mixed += 1
    subprocess.run(argv, check=True, stdout=subprocess.DEVNULL)
    final = len(leftovers(binf))
    print("image builds: %d runs (%.1f ms each unkilled, %d killed before they ended), "
          "mixed pairs %d, temporary files left by kills %d, most present at once %d, "
          "left after the next build %d" % (count, span * 1000, killed, mixed, left_by_kills,
                                           most_leftovers, final))
    shutil.rmtree(conf)
    return mixed, final


def trial_saves(saver, count, rows):
    folder = tempfile.mkdtemp(prefix="kill_saves_")
    path = os.path.join(folder, "IEC_61850_Client.xml")
    span = duration([saver, path, str(rows), "0"])
    killed = broken = left_by_kills = most_leftovers = 0
    for generation in range(1, count + 1):
        before = set(leftovers(folder))
        killed += run_killed([saver, path, str(rows), str(generation)],
                             random.uniform(0, 1.2 * span))
        now = set(leftovers(folder))
        left_by_kills += len(now - before)
        most_leftovers = max(most_leftovers, len(now))
        try:
            root = ET.parse(path).getroot()
            marks = {item.get("Mnemonic") for item in root.iter("DA_Item")}
            if len(marks) != 1 or len(list(root.iter("DA_Item"))) != rows:
                broken += 1
        except ET.ParseError:
            broken += 1
    subprocess.run([saver, path, str(rows), "final"], check=True)
    final = len(leftovers(folder))
    print("client-file saves: %d runs (%.1f ms each unkilled, %d killed before they ended), "
          "files not one whole save %d, temporary files left by kills %d, most present at once "
          "%d, left after the next save %d" % (count, span * 1000, killed, broken, left_by_kills,
                                              most_leftovers, final))
    shutil.rmtree(folder)
    return broken, final


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", default=os.path.join(here, "..", "..", "build", "bin"))
    parser.add_argument("--builds", type=int, default=250)
    parser.add_argument("--saves", type=int, default=60)
    parser.add_argument("--variables", type=int, default=4000)
    parser.add_argument("--seed", type=int, default=30517)
    args = parser.parse_args()
    random.seed(args.seed)
    if args.builds:
        trial_builds(os.path.join(args.bin, "rq30517-cli"), args.builds, args.variables)
    if args.saves:
        trial_saves(os.path.join(args.bin, "save_client_once"), args.saves, args.variables)


if __name__ == "__main__":
    main()
