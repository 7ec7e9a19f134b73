#!/usr/bin/env python3
"""Pictures decoded per exact seek beyond those its target needs: `seek_needs.py FILE FRAME_SECONDS` reads
"decoded <frame> <pictures>" lines (engine_bench seek) on stdin and prints their mean excess over the
pictures the target needs: the reference pictures from the key picture before it to it in decode order,
and the target itself. References are what FFmpeg decodes with non-reference pictures skipped."""
import json
import subprocess
import sys


def probe(path, *options):
    out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", *options, "-of", "json", path],
                         check=True, capture_output=True, text=True).stdout
    return json.loads(out)


def main():
    path, frame = sys.argv[1], float(sys.argv[2])
    packets = probe(path, "-show_entries", "packet=pts,dts,flags")["packets"]
    # By presentation time: a frame's pkt_dts is not its own packet's decoding time where decoding times
    # start below zero (the first pictures of an MP4 with B pictures would never count as references).
    refs = {f["pts"] for f in probe(path, "-skip_frame", "noref", "-show_entries", "frame=pts")["frames"]
            if "pts" in f}
    time_base = probe(path, "-show_entries", "stream=time_base")["streams"][0]["time_base"].split("/")
    tick = int(time_base[0]) / int(time_base[1])
    start = min(p["pts"] for p in packets if "pts" in p)
    shown = [(p["pts"] - start) * tick if "pts" in p else None for p in packets]

    def needed(k):
        target = min((i for i in range(len(packets)) if shown[i] is not None),
                     key=lambda i: abs(shown[i] - k * frame))
        key = max(i for i in range(target + 1)
                  if "K" in packets[i]["flags"] and shown[i] is not None and shown[i] <= shown[target] + frame / 2)
        count = sum(1 for i in range(key, target + 1) if packets[i].get("pts") in refs)
        return count + (0 if packets[target].get("pts") in refs else 1)

    excess = []
    for line in sys.stdin:
        fields = line.split()
        if len(fields) == 3 and fields[0] == "decoded":
            excess.append(int(fields[2]) - needed(int(fields[1])))
    print(f"{sum(excess) / len(excess):.2f}" if excess else "nan")


if __name__ == "__main__":
    main()
