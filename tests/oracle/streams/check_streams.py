#!/usr/bin/env python3
"""Checks the generated broadcast streams against tools we did not write.

  tables:   the libdvbpsi dump decodes every table of every stream without CRC, continuity or
            sync errors and agrees with the stream's manifest.
  ffprobe:  ffprobe finds the manifest's programs, names, PIDs, codecs and languages.
  captures: the libdvbpsi dump reads the real captures and finds their services.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys

FIXED_TIME = "2013-03-26T12:00:00Z"
# Just after midnight the present event starts on the day before the schedule's first day.
AFTER_MIDNIGHT = "2013-03-26T00:10:00Z"


class Failures:
    def __init__(self):
        self.items = []

    def check(self, ok, where, what):
        if not ok:
            self.items.append(f"{where}: {what}")
        return ok

    def eq(self, got, want, where, what):
        return self.check(got == want, where, f"{what}: got {got!r}, want {want!r}")


def generate(args, out, when=FIXED_TIME):
    shutil.rmtree(out, ignore_errors=True)
    subprocess.run([args.generator, "--fixture", args.fixture, "--out", out, "--time", when], check=True)
    with open(os.path.join(out, "index.json")) as f:
        index = json.load(f)
    streams = []
    for name in index["files"]:
        with open(os.path.join(out, os.path.splitext(name)[0] + ".json")) as f:
            streams.append((name, os.path.join(out, name), json.load(f)))
    return streams


def dump(args, path):
    run = subprocess.run([args.dump, path], capture_output=True, text=True)
    if run.returncode not in (0, 1):
        raise RuntimeError(f"si_ref_dump failed on {path}: {run.stderr}")
    return json.loads(run.stdout)


def descriptors(d, tag):
    return [x for x in d["descriptors"] if x["tag"] == tag]


# ------------------------------------------------------------------------------------------- tables

def check_delivery(fail, where, got_descriptors, want):
    tag = {"satellite": 0x43, "cable": 0x44, "terrestrial": 0x5A}[want["type"]]
    found = [d for d in got_descriptors if d["tag"] == tag]
    if not fail.check(len(found) == 1, where, f"one delivery descriptor 0x{tag:02x}"):
        return
    got = found[0]
    for key in ("frequency_khz", "orbital_position", "east", "polarization_code", "symbol_rate", "fec_code",
                "modulation_code", "bandwidth_code", "constellation_code", "hierarchy"):
        if key in want and key in got:
            fail.eq(got[key], want[key], where, key)


def check_nit(fail, where, nit, want):
    fail.eq(nit["network_id"], want["network_id"], where, "network_id")
    names = descriptors(nit, 0x40)
    if fail.check(names, where, "network name descriptor"):
        fail.eq(names[0]["name_hex"], want["name"]["hex"], where, "network name")
    transports = {t["transport_stream_id"]: t for t in nit["transports"]}
    fail.eq(sorted(transports), sorted(t["transport_stream_id"] for t in want["transports"]), where, "transports")
    for wt in want["transports"]:
        t = transports.get(wt["transport_stream_id"])
        if not t:
            continue
        w = f"{where} ts {wt['transport_stream_id']:#06x}"
        fail.eq(t["original_network_id"], wt["original_network_id"], w, "original_network_id")
        check_delivery(fail, w, t["descriptors"], wt["delivery"])
        lists = [d for d in t["descriptors"] if d["tag"] == 0x41]
        got_services = [s for d in lists for s in d.get("services", [])]
        fail.eq(got_services, wt["services"], w, "service list")
        got_lcn = [x for d in t["descriptors"] if d["tag"] == 0x83 for x in d.get("lcn", [])]
        fail.eq(got_lcn, wt["lcn"], w, "logical channel numbers")
        if wt["lcn"]:
            fail.check(any(d["tag"] == 0x5F for d in t["descriptors"]), w, "private data specifier before LCN")
        if want["update_oui"] is not None and wt["transport_stream_id"] == want["update_transport"]:
            oui = "%06x" % want["update_oui"]
            fail.check(any(d["tag"] == 0x4A and d["hex"][12:14] == "09" and oui in d["hex"] for d in t["descriptors"]),
                       w, "update linkage in the transport loop")
    if want["update_oui"] is not None:
        oui = "%06x" % want["update_oui"]
        fail.check(any(d["hex"][12:14] == "09" and oui in d["hex"] for d in descriptors(nit, 0x4A)), where,
                   "update linkage in the network loop")


def check_events(fail, where, eits, service, m):
    sid = service["service_id"]
    ev = service["events"]
    pf = [e for e in eits if e["table_id"] == 0x4E and e["service_id"] == sid]
    if service["eit_pf"]:
        if fail.eq(len(pf), 1, where, "present/following tables"):
            got = pf[0]["events"]
            want = [x for x in (ev["present"], ev["following"]) if x]
            fail.eq([(e["event_id"], e["start"], e["duration"]) for e in got],
                    [(e["event_id"], e["start"], e["duration"]) for e in want], where, "present/following events")
            if got:
                fail.eq(got[0]["running"], 4, where, "present event running")
                titles = [d["name_hex"] for d in got[0]["descriptors"] if d["tag"] == 0x4D]
                want_title = ev["present"]["title"]["hex"] if ev["present"]["title"] else None
                fail.eq(titles[0] if titles else None, want_title, where, "present title")
                if ev["linkage"]:
                    fail.check(any(d["tag"] == 0x4A and d["hex"][12:14] == "d8" for d in got[0]["descriptors"]) and
                               any(d["tag"] == 0x5F for d in got[0]["descriptors"]), where, "linkage 0xD8 after 0x5F")
    else:
        fail.eq(len(pf), 0, where, "present/following tables")
    sched = sorted((e for e in eits if 0x50 <= e["table_id"] <= 0x5F and e["service_id"] == sid),
                   key=lambda e: e["table_id"])
    if service["eit_schedule"]:
        fail.eq(len(sched), ev["schedule_tables"], where, "schedule tables")
        events = [e for t in sched for e in t["events"]]
        fail.eq(len(events), ev["schedule_count"], where, "schedule events")
        if events:
            for got, want, which in ((events[0], ev["schedule_first"], "first"), (events[-1], ev["schedule_last"], "last")):
                fail.eq((got["event_id"], got["start"], got["duration"]),
                        (want["event_id"], want["start"], want["duration"]), where, f"{which} schedule event")
            ids = [e["event_id"] for e in events]
            fail.eq(len(set(ids)), len(ids), where, "event ids unique")
            for t in sched:
                fail.eq(t["last_table_id"], 0x50 + ev["schedule_tables"] - 1, where, "last_table_id")
    else:
        fail.eq(len(sched), 0, where, "schedule tables")


def check_second_half(fail, where, later, earlier, want):
    """Tables that changed in the second half of the loop carry version 1."""
    where = f"{where} second half"
    if fail.eq(len(later["pat"]), 1, where, "PAT version 1"):
        fail.eq(sorted((p["number"], p["pid"]) for p in later["pat"][0]["programs"]),
                sorted((p["number"], p["pid"]) for p in want["pat_programs"]), where, "PAT programs")
    for s in want["services"]:
        pmts = [p for p in later["pmt"] + earlier["pmt"] if p["program"] == s["service_id"]]
        if fail.check(pmts, where, f"PMT of {s['service_id']:#06x}"):
            got = pmts[0]
            fail.eq([(x["type"], x["pid"], ([y["language"] for y in x["descriptors"] if y["tag"] == 0x0A] or [None])[0])
                     for x in got["streams"]],
                    [(x["stream_type"], x["pid"], x["language"]) for x in s["streams"]], where,
                    f"streams of {s['service_id']:#06x}")
    sdt = [t for t in later["sdt"] if t["table_id"] == 0x42]
    if fail.eq(len(sdt), 1, where, "SDT version 1"):
        fail.eq([(x["service_id"], [y["name_hex"] for y in x["descriptors"] if y["tag"] == 0x48]) for x in sdt[0]["services"]],
                [(x["service_id"], [x["name"]["hex"]]) for x in want["services"]], where, "SDT services")
    fail.eq([t["table_id"] for t in later["nit"]], [0x40], where, "NIT version 1")


def check_tables(fail, name, d, m):
    where = name
    if m["second_half"] is not None:
        later = {k: [t for t in d[k] if t["version"] == 1] for k in ("pat", "pmt", "sdt", "nit")}
        d = dict(d, **{k: [t for t in d[k] if t["version"] == 0] for k in later})
        check_second_half(fail, where, later, d, m["second_half"])
    fail.eq(d["errors"], [], where, "decoder errors")
    fail.eq(d["continuity"], [], where, "continuity gaps")
    fail.eq(d["damaged_packets"], 0, where, "damaged packets")
    fail.eq(d["packets"], m["packets"], where, "packets")
    # PAT
    if fail.eq(len(d["pat"]), 1, where, "PAT versions"):
        pat = d["pat"][0]
        fail.eq(pat["transport_stream_id"], m["transport_stream_id"], where, "PAT transport_stream_id")
        fail.eq(sorted((p["number"], p["pid"]) for p in pat["programs"]),
                sorted((p["number"], p["pid"]) for p in m["pat"]["programs"]), where, "PAT programs")
    # PMT
    pmts = {p["program"]: p for p in d["pmt"]}
    for s in m["services"]:
        w = f"{where} service {s['service_id']:#06x}"
        pmt = pmts.get(s["service_id"])
        if not s["pmt_sent"]:
            fail.check(pmt is None, w, "no PMT expected")
            continue
        if not fail.check(pmt is not None, w, "PMT missing"):
            continue
        fail.eq(pmt["pid"], s["pmt_pid"], w, "PMT PID")
        fail.eq(pmt["pcr_pid"], s["pcr_pid"], w, "PCR PID")
        fail.eq([(x["type"], x["pid"]) for x in pmt["streams"]], [(x["stream_type"], x["pid"]) for x in s["streams"]],
                w, "elementary streams")
        for got, want in zip(pmt["streams"], s["streams"]):
            langs = [x["language"] for x in got["descriptors"] if x["tag"] == 0x0A]
            fail.eq(langs[0] if langs else None, want["language"], w, f"language of PID {want['pid']:#x}")
            if "teletext" in want:
                fail.check(any(x["tag"] == 0x56 for x in got["descriptors"]), w, "teletext descriptor")
            if "subtitles" in want:
                fail.check(any(x["tag"] == 0x59 for x in got["descriptors"]), w, "subtitling descriptor")
        ca = s["ca"]
        program_ca = [x for x in pmt["descriptors"] if x["tag"] == 0x09]
        stream_ca = [x for st in pmt["streams"] for x in st["descriptors"] if x["tag"] == 0x09]
        if ca is None:
            fail.check(not program_ca and not stream_ca, w, "no CA descriptor expected")
        elif ca["in"] == "program":
            fail.check(any(x["ca_system"] == ca["system"] and x["ca_pid"] == ca["ecm_pid"] for x in program_ca), w,
                       "CA descriptor in the program loop")
        else:
            fail.check(stream_ca and all(x["ca_pid"] == ca["ecm_pid"] for x in stream_ca) and not program_ca, w,
                       "CA descriptors in the stream loops")
    fail.eq(sorted(pmts), sorted(s["service_id"] for s in m["services"] if s["pmt_sent"]), where, "PMT programs")
    # CAT
    if m["cat"] is None:
        fail.eq(d["cat"], [], where, "CAT")
    elif fail.eq(len(d["cat"]), 1, where, "CAT"):
        if m["cat"]["emm_pid"] is not None:
            fail.check(any(x["tag"] == 0x09 and x["ca_pid"] == m["cat"]["emm_pid"] for x in d["cat"][0]["descriptors"]),
                       where, "EMM in CAT")
    # NIT
    nits = {n["table_id"]: n for n in d["nit"]}
    for table, key in ((0x40, "nit"), (0x41, "nit_other")):
        if m[key] is None:
            fail.check(table not in nits, where, f"no {key}")
        elif fail.check(table in nits, where, f"{key} missing"):
            check_nit(fail, f"{where} {key}", nits[table], m[key])
    # SDT
    sdts = {n["table_id"]: n for n in d["sdt"]}
    if m["sdt"] is None:
        fail.eq(d["sdt"], [], where, "SDT")
    elif fail.check(0x42 in sdts, where, "SDT actual missing"):
        sdt = sdts[0x42]
        fail.eq((sdt["transport_stream_id"], sdt["original_network_id"]),
                (m["transport_stream_id"], m["original_network_id"]), where, "SDT ids")
        got = {x["service_id"]: x for x in sdt["services"]}
        fail.eq(sorted(got), sorted(s["service_id"] for s in m["services"]), where, "SDT services")
        for s in m["services"]:
            g = got.get(s["service_id"])
            if not g:
                continue
            w = f"{where} SDT {s['service_id']:#06x}"
            for key in ("eit_schedule", "eit_pf", "running", "free_ca_mode"):
                fail.eq(g[key], s[key], w, key)
            sd = [x for x in g["descriptors"] if x["tag"] == 0x48]
            if fail.eq(len(sd), 1, w, "service descriptors"):
                fail.eq(sd[0]["service_type"], s["type"], w, "service type")
                fail.eq(sd[0]["name_hex"], s["name"]["hex"], w, "name")
                fail.eq(sd[0]["provider_hex"], s["provider"]["hex"], w, "provider")
            fail.eq(any(x["tag"] == 0x45 for x in g["descriptors"]), s["vbi_in_sdt"], w, "VBI data descriptor")
    if m["sdt_other"] is None:
        fail.check(0x46 not in sdts, where, "no SDT other")
    elif fail.check(0x46 in sdts, where, "SDT other missing"):
        other = sdts[0x46]
        fail.eq(other["transport_stream_id"], m["sdt_other"]["transport_stream_id"], where, "SDT other ts id")
        fail.eq([(x["service_id"], [y["name_hex"] for y in x["descriptors"] if y["tag"] == 0x48]) for x in other["services"]],
                [(x["service_id"], [x["name"]["hex"]]) for x in m["sdt_other"]["services"]], where, "SDT other services")
    fail.eq(len(d["bat"]), 1 if m["bat"] else 0, where, "BAT")
    # EIT
    for s in m["services"]:
        check_events(fail, f"{where} EIT {s['service_id']:#06x}", d["eit"], s, m)
    other_pf = [e for e in d["eit"] if e["table_id"] == 0x4F]
    fail.eq(bool(other_pf), m["eit_other"] is not None, where, "EIT p/f other")
    if other_pf:
        fail.check(all(e["transport_stream_id"] == m["eit_other"] for e in other_pf), where, "EIT other ts id")
    fail.eq(any(0x60 <= e["table_id"] <= 0x6F for e in d["eit"]), m["eit_schedule_other"], where, "EIT schedule other")
    actual = {(e["table_id"], e["service_id"]) for e in d["eit"] if e["table_id"] == 0x4E or 0x50 <= e["table_id"] <= 0x5F}
    fail.check(all(e["transport_stream_id"] == m["transport_stream_id"] for e in d["eit"]
                   if (e["table_id"], e["service_id"]) in actual), where, "EIT actual ts id")
    # Time
    fail.eq([t["utc"] for t in d["tdt"]], [m["tdt"]] if m["tdt"] else [], where, "TDT")
    if m["tot"] is None:
        fail.eq(d["tot"], [], where, "TOT")
    elif fail.eq(len(d["tot"]), 1, where, "TOT"):
        tot = d["tot"][0]
        fail.eq(tot["utc"], m["tot"]["time"], where, "TOT time")
        lto = [x for x in tot["descriptors"] if x["tag"] == 0x58]
        if fail.check(lto, where, "local time offset"):
            fail.eq((lto[0]["country"], lto[0]["region"], lto[0]["offset_minutes"]),
                    (m["tot"]["country"], m["tot"]["region"], m["tot"]["offset_minutes"]), where, "local time offset")


# ------------------------------------------------------------------------------------------ ffprobe

# ffmpeg names a LATM stream only from its payload, which the generator leaves out; the layer II
# frames of a scrambled service cannot be read, so ffmpeg keeps the name it gives stream types 3 and 4.
CODEC_WITHOUT_PAYLOAD = {"aac_latm": "unknown"}
CODEC_SCRAMBLED = {"mp2": "mp3"}


def check_ffprobe(fail, name, path, m):
    run = subprocess.run(["ffprobe", "-v", "error", "-show_programs", "-of", "json", path], capture_output=True,
                         text=True)
    fail.eq(run.stderr.strip(), "", name, "ffprobe messages")
    if not fail.eq(run.returncode, 0, name, "ffprobe exit status"):
        return
    programs = {p["program_id"]: p for p in json.loads(run.stdout).get("programs", [])}
    # With tables changing in the middle of the loop ffprobe sees both versions: streams of either
    # half, and either name.
    later = {s["service_id"]: s for s in (m["second_half"] or {}).get("services", [])}
    for s in m["services"]:
        w = f"{name} program {s['service_id']:#06x}"
        p = programs.get(s["service_id"])
        if not s["pmt_sent"]:
            fail.check(p is None or not p["streams"], w, "no streams without a PMT")
            continue
        if not fail.check(p is not None, w, "program missing"):
            continue
        fail.eq(p["pmt_pid"], s["pmt_pid"], w, "PMT PID")
        fail.eq(p["pcr_pid"], s["pcr_pid"], w, "PCR PID")
        renamed = s["service_id"] in later and later[s["service_id"]]["name"] != s["name"]
        if m["sdt"] is not None and s["name"]["text"] is not None and not renamed:
            fail.eq(p.get("tags", {}).get("service_name"), s["name"]["text"], w, "service name")
            fail.eq(p.get("tags", {}).get("service_provider"), s["provider"]["text"], w, "service provider")
        streams = {int(x["id"], 16): x for x in p["streams"]}
        wanted = {x["pid"]: x for x in later.get(s["service_id"], {}).get("streams", []) + s["streams"]}
        fail.eq(sorted(streams), sorted(wanted), w, "stream PIDs")
        for want in wanted.values():
            got = streams.get(want["pid"])
            if not got:
                continue
            if want["codec"]:
                codec = got.get("codec_name", "unknown")
                accepted = (want["codec"], CODEC_WITHOUT_PAYLOAD.get(want["codec"]),
                            CODEC_SCRAMBLED.get(want["codec"]) if s["scrambled"] else None)
                fail.check(codec in accepted, w,
                           f"codec of PID {want['pid']:#x}: got {codec}, want {want['codec']}")
            entries = want.get("teletext") or want.get("subtitles")
            lang = ",".join(e["language"] for e in entries) if entries else want["language"]
            fail.eq(got.get("tags", {}).get("language"), lang, w, f"language of PID {want['pid']:#x}")


# ----------------------------------------------------------------------------------------- captures

# The real captures and what a reader must find in them. The animal-planet capture carries PAT and PMT
# sections damaged on the air (bad CRC_32, lost packets): the dump must report those and nothing else.
CAPTURES = {
    "rai-dtt-italy.ts": (["Rai 1", "Rai 2", "Rai 3 TGR Emilia Romagna", "Rai Radio1"], True),
    "france2-dtt.ts": (["France 2"], True),
    "animal-planet-hd.ts": (["Animal Planet Europe HD"], False),
}


def check_captures(fail, args):
    for name, (services, clean) in CAPTURES.items():
        path = os.path.join(args.captures, name)
        if not fail.check(os.path.exists(path), name, f"capture missing at {path}"):
            continue
        d = dump(args, path)
        if clean:
            fail.eq(d["errors"], [], name, "decoder errors")
        else:
            fail.check(d["errors"] and all("Bad CRC_32" in e or "TS discontinuity" in e for e in d["errors"]), name,
                       f"only damaged sections reported: {d['errors']}")
        fail.check(d["pat"], name, "PAT decoded")
        names = set()
        for sdt in d["sdt"]:
            for s in sdt["services"]:
                for x in s["descriptors"]:
                    if x["tag"] == 0x48:
                        raw = bytes.fromhex(x["name_hex"])
                        names.add(raw[1:].decode("latin-1") if raw and raw[0] < 0x20 else raw.decode("latin-1"))
        for s in services:
            fail.check(s in names, name, f"service {s!r} in the SDT (found {sorted(names)})")
    print(f"{len(CAPTURES)} captures checked")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("check", choices=["tables", "ffprobe", "captures"])
    ap.add_argument("--generator")
    ap.add_argument("--fixture")
    ap.add_argument("--dump")
    ap.add_argument("--work", default="streams-work")
    ap.add_argument("--captures")
    args = ap.parse_args()
    fail = Failures()
    if args.check == "captures":
        check_captures(fail, args)
    else:
        if args.check == "ffprobe" and not shutil.which("ffprobe"):
            print("ffprobe not found (Debian package ffmpeg)")
            return 1
        times = [FIXED_TIME, AFTER_MIDNIGHT] if args.check == "tables" else [FIXED_TIME]
        for when in times:
            streams = generate(args, args.work, when)
            for name, path, m in streams:
                if args.check == "tables":
                    check_tables(fail, f"{name} at {when}", dump(args, path), m)
                else:
                    check_ffprobe(fail, name, path, m)
            print(f"{len(streams)} streams checked at {when}")
    for f in fail.items:
        print("FAIL", f)
    return 1 if fail.items else 0


if __name__ == "__main__":
    sys.exit(main())
