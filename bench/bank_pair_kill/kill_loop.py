#!/usr/bin/env python3
"""Interrupted builds on a slow disk: runs `rq30517-cli build` with every rename held back
(slow_rename.so preloaded, RQ_RENAME_PAUSE_MS), kills it with SIGKILL at a random moment, and
after each kill compares what bin holds with what the two builds made (the Modbus port in
bank1.bin and the VLAN in bank2.bin carry the build's number) and with what Check_Bank_Pair
says (bank_pair_check). Not a test: it prints figures. The figure that must stay 0 is "mixed
pairs not detected".

    bench/bank_pair_kill/kill_loop.py [--bin build/bin] [--runs 200] [--pause-ms 40]
"""
import argparse
import os
import random
import shutil
import struct
import subprocess
import tempfile
import time


def pargen_xml(generation):
    return ("<Par_Gen><Modbus_TCP_Slave_Port>%d</Modbus_TCP_Slave_Port>"
            "<IEC61850_Client_VLAN>%d</IEC61850_Client_VLAN></Par_Gen>" % (generation, generation))


def generation_of(binf, name, offset, fmt):
    path = os.path.join(binf, name)
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        data = f.read()
    return struct.unpack_from(fmt, data, offset)[0]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", default=os.path.join(here, "..", "..", "build", "bin"))
    parser.add_argument("--runs", type=int, default=200)
    parser.add_argument("--pause-ms", type=int, default=40)
    parser.add_argument("--seed", type=int, default=30517)
    args = parser.parse_args()
    random.seed(args.seed)
    cli = os.path.join(args.bin, "rq30517-cli")
    check = os.path.join(args.bin, "bank_pair_check")
    env = dict(os.environ, LD_PRELOAD=os.path.abspath(os.path.join(args.bin, "slow_rename.so")),
               RQ_RENAME_PAUSE_MS=str(args.pause_ms))

    conf = tempfile.mkdtemp(prefix="bank_pair_kill_")
    binf = os.path.join(conf, "bin")
    with open(os.path.join(conf, "ParGen.xml"), "w") as f:
        f.write(pargen_xml(1))
    argv = [cli, "build", conf]
    subprocess.run(argv, check=True, env=env, stdout=subprocess.DEVNULL)
    start = time.monotonic()
    subprocess.run(argv, check=True, env=env, stdout=subprocess.DEVNULL)
    span = time.monotonic() - start

    killed = mixed = detected = undetected = false_alarms = reported_by_next_build = 0
    for generation in range(2, args.runs + 2):
        with open(os.path.join(conf, "ParGen.xml"), "w") as f:
            f.write(pargen_xml(generation))
        p = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE)
        time.sleep(random.uniform(0, span))
        killed += p.poll() is None
        p.kill()
        p.wait()
        port = generation_of(binf, "bank1.bin", 54, "<H")
        vlan = generation_of(binf, "bank2.bin", 8, "<i")
        is_mixed = port != vlan
        found = subprocess.run([check, binf], stdout=subprocess.PIPE).returncode == 3
        mixed += is_mixed
        detected += is_mixed and found
        undetected += is_mixed and not found
        false_alarms += found and not is_mixed
        if is_mixed:
            # The next build names the mix before it replaces it (run without the shim).
            run = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                 text=True)
            reported_by_next_build += "do not come from the same build" in run.stderr
    left = subprocess.run([check, binf], stdout=subprocess.PIPE).returncode
    print("killed builds with renames held %d ms: %d runs (%.0f ms each unkilled, %d killed "
          "before they ended)" % (args.pause_ms, args.runs, span * 1000, killed))
    print("mixed pairs left by kills %d, detected %d, mixed pairs not detected %d, "
          "whole pairs reported as mixed %d, mixes named by the next build %d, "
          "pair after the last build %s" % (mixed, detected, undetected, false_alarms,
                                             reported_by_next_build,
                                             "whole" if left == 0 else "MIXED"))
    shutil.rmtree(conf)


if __name__ == "__main__":
    main()
