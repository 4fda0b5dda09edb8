/* si_ref_dump: decodes every PSI/SI table of a transport-stream file with libdvbpsi and prints them as
 * normalised JSON (tables in arrival order, each distinct table once), with libdvbpsi's CRC and
 * table-continuity messages ("errors"), the continuity-counter gaps of every PID ("continuity") and the
 * number of packets flagged damaged by the transport_error_indicator, which are skipped as a receiver
 * does. Exit status 0 when no errors were found, 1 when some were, 2 on bad usage or an unreadable file. */
// libdvbpsi's headers rely on the standard types and on each other: keep this order.
// clang-format off
#include <stdarg.h>
#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <time.h>

#include <dvbpsi/dvbpsi.h>
#include <dvbpsi/psi.h>
#include <dvbpsi/descriptor.h>
#include <dvbpsi/demux.h>
#include <dvbpsi/pat.h>
#include <dvbpsi/pmt.h>
#include <dvbpsi/cat.h>
#include <dvbpsi/nit.h>
#include <dvbpsi/sdt.h>
#include <dvbpsi/bat.h>
#include <dvbpsi/eit.h>
#include <dvbpsi/tot.h>
#include <dvbpsi/dr_09.h>
#include <dvbpsi/dr_0a.h>
#include <dvbpsi/dr_40.h>
#include <dvbpsi/dr_41.h>
#include <dvbpsi/dr_43.h>
#include <dvbpsi/dr_44.h>
#include <dvbpsi/dr_48.h>
#include <dvbpsi/dr_4d.h>
#include <dvbpsi/dr_58.h>
#include <dvbpsi/dr_5a.h>
#include <dvbpsi/dr_83.h>
// clang-format on

/* ------------------------------------------------------------------ growable text */
typedef struct {
  char* s;
  size_t n, cap;
} Buf;

static void bput(Buf* b, const char* fmt, ...) {
  va_list ap;
  for (;;) {
    size_t room = b->cap - b->n;
    va_start(ap, fmt);
    int w = vsnprintf(b->s ? b->s + b->n : NULL, room, fmt, ap);
    va_end(ap);
    if (w >= 0 && (size_t)w < room) {
      b->n += (size_t)w;
      return;
    }
    b->cap = b->cap * 2 + (size_t)(w > 0 ? w : 0) + 256;
    b->s = realloc(b->s, b->cap);
    if (!b->s) abort();
  }
}

static void bhex(Buf* b, const uint8_t* p, size_t n) {
  bput(b, "\"");
  for (size_t i = 0; i < n; ++i) bput(b, "%02x", p[i]);
  bput(b, "\"");
}

static void bstr(Buf* b, const uint8_t* p, size_t n) { /* printable ASCII, others escaped */
  bput(b, "\"");
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = p[i];
    if (c == '"' || c == '\\')
      bput(b, "\\%c", c);
    else if (c >= 0x20 && c < 0x7F)
      bput(b, "%c", c);
    else
      bput(b, "\\u%04x", c);
  }
  bput(b, "\"");
}

/* A list of distinct JSON objects per table kind. */
typedef struct {
  char** items;
  size_t n;
} List;

static void ladd(List* l, Buf* b) {
  for (size_t i = 0; i < l->n; ++i)
    if (strcmp(l->items[i], b->s) == 0) {
      free(b->s);
      return;
    }
  l->items = realloc(l->items, (l->n + 1) * sizeof *l->items);
  l->items[l->n++] = b->s;
}

static List pats, pmts, cats, nits, sdts, bats, eits, tdts, tots, errors, warnings, gaps;

static void note(List* l, const char* fmt, ...) {
  char line[512];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  Buf b = {0};
  bstr(&b, (const uint8_t*)line, strlen(line));
  ladd(l, &b);
}

static void on_message(dvbpsi_t* h, const dvbpsi_msg_level_t level, const char* msg) {
  (void)h;
  note(level == DVBPSI_MSG_ERROR ? &errors : &warnings, "%s", msg);
}

/* ------------------------------------------------------------------ values */
static unsigned bcd(uint32_t v) {
  unsigned out = 0, scale = 1;
  for (; v; v >>= 4, scale *= 10) out += (v & 15) * scale;
  return out;
}

static void utc(Buf* b, uint64_t t) { /* 40-bit MJD + BCD time */
  unsigned mjd = (unsigned)(t >> 24);
  long long secs =
      ((long long)mjd - 40587) * 86400 + bcd((t >> 16) & 0xFF) * 3600 + bcd((t >> 8) & 0xFF) * 60 + bcd(t & 0xFF);
  time_t tt = (time_t)secs;
  struct tm tm;
  gmtime_r(&tt, &tm);
  bput(b, "\"%04d-%02d-%02dT%02d:%02d:%02dZ\"", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
       tm.tm_sec);
}

static unsigned duration(uint32_t d) {
  return bcd((d >> 16) & 0xFF) * 3600 + bcd((d >> 8) & 0xFF) * 60 + bcd(d & 0xFF);
}

/* ------------------------------------------------------------------ descriptors */
static void descriptor(Buf* b, dvbpsi_descriptor_t* d) {
  bput(b, "{\"tag\": %u, \"hex\": ", d->i_tag);
  bhex(b, d->p_data, d->i_length);
  switch (d->i_tag) {
    case 0x09: {
      dvbpsi_ca_dr_t* x = dvbpsi_DecodeCADr(d);
      if (x) bput(b, ", \"ca_system\": %u, \"ca_pid\": %u", x->i_ca_system_id, x->i_ca_pid);
      break;
    }
    case 0x0A: {
      dvbpsi_iso639_dr_t* x = dvbpsi_DecodeISO639Dr(d);
      if (x && x->i_code_count > 0) {
        bput(b, ", \"language\": ");
        bstr(b, x->code[0].iso_639_code, 3);
        bput(b, ", \"audio_type\": %u", x->code[0].i_audio_type);
      }
      break;
    }
    case 0x40: {
      dvbpsi_network_name_dr_t* x = dvbpsi_DecodeNetworkNameDr(d);
      if (x) bput(b, ", \"name_hex\": "), bhex(b, x->i_name_byte, x->i_name_length);
      break;
    }
    case 0x41: {
      dvbpsi_service_list_dr_t* x = dvbpsi_DecodeServiceListDr(d);
      if (x) {
        bput(b, ", \"services\": [");
        for (int i = 0; i < x->i_service_count; ++i)
          bput(b, "%s[%u, %u]", i ? ", " : "", x->i_service[i].i_service_id, x->i_service[i].i_service_type);
        bput(b, "]");
      }
      break;
    }
    case 0x43: {
      dvbpsi_sat_deliv_sys_dr_t* x = dvbpsi_DecodeSatDelivSysDr(d);
      if (x)
        bput(b,
             ", \"frequency_khz\": %u, \"orbital_position\": %u, \"east\": %s, \"polarization_code\": %u, "
             "\"symbol_rate\": %u, \"fec_code\": %u",
             bcd(x->i_frequency) * 10, bcd(x->i_orbital_position), x->i_west_east_flag ? "true" : "false",
             x->i_polarization, bcd(x->i_symbol_rate) / 10, x->i_fec_inner);
      break;
    }
    case 0x44: {
      dvbpsi_cable_deliv_sys_dr_t* x = dvbpsi_DecodeCableDelivSysDr(d);
      if (x)
        bput(b, ", \"frequency_khz\": %u, \"modulation_code\": %u, \"symbol_rate\": %u, \"fec_code\": %u",
             bcd(x->i_frequency) / 10, x->i_modulation, bcd(x->i_symbol_rate) / 10, x->i_fec_inner);
      break;
    }
    case 0x5A: {
      dvbpsi_terr_deliv_sys_dr_t* x = dvbpsi_DecodeTerrDelivSysDr(d);
      if (x)
        bput(b, ", \"frequency_khz\": %u, \"bandwidth_code\": %u, \"constellation_code\": %u, \"hierarchy\": %u",
             x->i_centre_frequency / 100, x->i_bandwidth, x->i_constellation, x->i_hierarchy_information);
      break;
    }
    case 0x48: {
      dvbpsi_service_dr_t* x = dvbpsi_DecodeServiceDr(d);
      if (x) {
        bput(b, ", \"service_type\": %u, \"provider_hex\": ", x->i_service_type);
        bhex(b, x->i_service_provider_name, x->i_service_provider_name_length);
        bput(b, ", \"name_hex\": ");
        bhex(b, x->i_service_name, x->i_service_name_length);
      }
      break;
    }
    case 0x4D: {
      dvbpsi_short_event_dr_t* x = dvbpsi_DecodeShortEventDr(d);
      if (x) {
        bput(b, ", \"language\": ");
        bstr(b, x->i_iso_639_code, 3);
        bput(b, ", \"name_hex\": ");
        bhex(b, x->i_event_name, (size_t)x->i_event_name_length);
        bput(b, ", \"text_hex\": ");
        bhex(b, x->i_text, (size_t)x->i_text_length);
      }
      break;
    }
    case 0x58: {
      dvbpsi_local_time_offset_dr_t* x = dvbpsi_DecodeLocalTimeOffsetDr(d);
      if (x && x->i_local_time_offsets_number > 0) {
        dvbpsi_local_time_offset_t* o = &x->p_local_time_offset[0];
        unsigned minutes = bcd(o->i_local_time_offset >> 8) * 60 + bcd(o->i_local_time_offset & 0xFF);
        bput(b, ", \"country\": ");
        bstr(b, o->i_country_code, 3);
        bput(b, ", \"region\": %u, \"offset_minutes\": %d", o->i_country_region_id,
             o->i_local_time_offset_polarity ? -(int)minutes : (int)minutes);
      }
      break;
    }
    case 0x83: {
      dvbpsi_lcn_dr_t* x = dvbpsi_DecodeLCNDr(d);
      if (x) {
        bput(b, ", \"lcn\": [");
        for (int i = 0; i < x->i_number_of_entries; ++i)
          bput(b, "%s[%u, %u]", i ? ", " : "", x->p_entries[i].i_service_id, x->p_entries[i].i_logical_channel_number);
        bput(b, "]");
      }
      break;
    }
    default:
      break;
  }
  bput(b, "}");
}

static void descriptors(Buf* b, dvbpsi_descriptor_t* d) {
  bput(b, "[");
  for (int i = 0; d; d = d->p_next, ++i) {
    if (i) bput(b, ", ");
    descriptor(b, d);
  }
  bput(b, "]");
}

/* ------------------------------------------------------------------ PID routing */
#define MAX_HANDLES 8
enum Kind { PAT, CAT, PMT, DEMUX };
typedef struct {
  dvbpsi_t* h[MAX_HANDLES];
  enum Kind kind[MAX_HANDLES];
  int n;
} Route;
static Route routes[8192];
static int pmt_attached[65536];

static dvbpsi_t* route(unsigned pid, enum Kind kind) {
  Route* r = &routes[pid];
  if (r->n == MAX_HANDLES) return NULL;
  dvbpsi_t* h = dvbpsi_new(&on_message, DVBPSI_MSG_WARN);
  if (!h) abort();
  r->kind[r->n] = kind;
  r->h[r->n++] = h;
  return h;
}

static void release_all(void) {
  for (unsigned pid = 0; pid < 8192; ++pid)
    for (int i = 0; i < routes[pid].n; ++i) {
      dvbpsi_t* h = routes[pid].h[i];
      if (dvbpsi_decoder_present(h)) {
        switch (routes[pid].kind[i]) {
          case PAT:
            dvbpsi_pat_detach(h);
            break;
          case CAT:
            dvbpsi_cat_detach(h);
            break;
          case PMT:
            dvbpsi_pmt_detach(h);
            break;
          case DEMUX:
            dvbpsi_DetachDemux(h);
            break;
        }
      }
      dvbpsi_delete(h);
    }
  List* lists[] = {&pats, &pmts, &cats, &nits, &sdts, &bats, &eits, &tdts, &tots, &errors, &warnings, &gaps};
  for (size_t l = 0; l < sizeof lists / sizeof *lists; ++l) {
    for (size_t i = 0; i < lists[l]->n; ++i) free(lists[l]->items[i]);
    free(lists[l]->items);
  }
}

/* ------------------------------------------------------------------ table callbacks */
static void on_pmt(void* data, dvbpsi_pmt_t* t) {
  unsigned pid = (unsigned)(uintptr_t)data;
  Buf b = {0};
  bput(&b, "{\"program\": %u, \"pid\": %u, \"version\": %u, \"pcr_pid\": %u, \"descriptors\": ", t->i_program_number,
       pid, t->i_version, t->i_pcr_pid);
  descriptors(&b, t->p_first_descriptor);
  bput(&b, ", \"streams\": [");
  int i = 0;
  for (dvbpsi_pmt_es_t* es = t->p_first_es; es; es = es->p_next, ++i) {
    bput(&b, "%s{\"type\": %u, \"pid\": %u, \"descriptors\": ", i ? ", " : "", es->i_type, es->i_pid);
    descriptors(&b, es->p_first_descriptor);
    bput(&b, "}");
  }
  bput(&b, "]}");
  ladd(&pmts, &b);
  dvbpsi_pmt_delete(t);
}

static void on_pat(void* data, dvbpsi_pat_t* t) {
  (void)data;
  Buf b = {0};
  bput(&b, "{\"transport_stream_id\": %u, \"version\": %u, \"programs\": [", t->i_ts_id, t->i_version);
  int i = 0;
  for (dvbpsi_pat_program_t* p = t->p_first_program; p; p = p->p_next, ++i) {
    bput(&b, "%s{\"number\": %u, \"pid\": %u}", i ? ", " : "", p->i_number, p->i_pid);
    if (p->i_number != 0 && !pmt_attached[p->i_number]) {
      pmt_attached[p->i_number] = 1;
      dvbpsi_t* h = route(p->i_pid, PMT);
      if (h) dvbpsi_pmt_attach(h, p->i_number, on_pmt, (void*)(uintptr_t)p->i_pid);
    }
  }
  bput(&b, "]}");
  ladd(&pats, &b);
  dvbpsi_pat_delete(t);
}

static void on_cat(void* data, dvbpsi_cat_t* t) {
  (void)data;
  Buf b = {0};
  bput(&b, "{\"version\": %u, \"descriptors\": ", t->i_version);
  descriptors(&b, t->p_first_descriptor);
  bput(&b, "}");
  ladd(&cats, &b);
  dvbpsi_cat_delete(t);
}

static void on_nit(void* data, dvbpsi_nit_t* t) {
  (void)data;
  Buf b = {0};
  bput(&b, "{\"table_id\": %u, \"network_id\": %u, \"version\": %u, \"descriptors\": ", t->i_table_id, t->i_network_id,
       t->i_version);
  descriptors(&b, t->p_first_descriptor);
  bput(&b, ", \"transports\": [");
  int i = 0;
  for (dvbpsi_nit_ts_t* ts = t->p_first_ts; ts; ts = ts->p_next, ++i) {
    bput(&b, "%s{\"transport_stream_id\": %u, \"original_network_id\": %u, \"descriptors\": ", i ? ", " : "",
         ts->i_ts_id, ts->i_orig_network_id);
    descriptors(&b, ts->p_first_descriptor);
    bput(&b, "}");
  }
  bput(&b, "]}");
  ladd(&nits, &b);
  dvbpsi_nit_delete(t);
}

static void on_sdt(void* data, dvbpsi_sdt_t* t) {
  (void)data;
  Buf b = {0};
  bput(&b,
       "{\"table_id\": %u, \"transport_stream_id\": %u, \"original_network_id\": %u, \"version\": %u, \"services\": [",
       t->i_table_id, t->i_extension, t->i_network_id, t->i_version);
  int i = 0;
  for (dvbpsi_sdt_service_t* s = t->p_first_service; s; s = s->p_next, ++i) {
    bput(&b,
         "%s{\"service_id\": %u, \"eit_schedule\": %s, \"eit_pf\": %s, \"running\": %u, \"free_ca_mode\": %s, "
         "\"descriptors\": ",
         i ? ", " : "", s->i_service_id, s->b_eit_schedule ? "true" : "false", s->b_eit_present ? "true" : "false",
         s->i_running_status, s->b_free_ca ? "true" : "false");
    descriptors(&b, s->p_first_descriptor);
    bput(&b, "}");
  }
  bput(&b, "]}");
  ladd(&sdts, &b);
  dvbpsi_sdt_delete(t);
}

static void on_bat(void* data, dvbpsi_bat_t* t) {
  (void)data;
  Buf b = {0};
  bput(&b, "{\"bouquet_id\": %u, \"version\": %u, \"descriptors\": ", t->i_extension, t->i_version);
  descriptors(&b, t->p_first_descriptor);
  bput(&b, ", \"transports\": [");
  int i = 0;
  for (dvbpsi_bat_ts_t* ts = t->p_first_ts; ts; ts = ts->p_next, ++i) {
    bput(&b, "%s{\"transport_stream_id\": %u, \"original_network_id\": %u, \"descriptors\": ", i ? ", " : "",
         ts->i_ts_id, ts->i_orig_network_id);
    descriptors(&b, ts->p_first_descriptor);
    bput(&b, "}");
  }
  bput(&b, "]}");
  ladd(&bats, &b);
  dvbpsi_bat_delete(t);
}

static void on_eit(void* data, dvbpsi_eit_t* t) {
  (void)data;
  Buf b = {0};
  bput(&b,
       "{\"table_id\": %u, \"service_id\": %u, \"transport_stream_id\": %u, \"original_network_id\": %u, "
       "\"version\": %u, \"last_table_id\": %u, \"events\": [",
       t->i_table_id, t->i_extension, t->i_ts_id, t->i_network_id, t->i_version, t->i_last_table_id);
  int i = 0;
  for (dvbpsi_eit_event_t* e = t->p_first_event; e; e = e->p_next, ++i) {
    bput(&b, "%s{\"event_id\": %u, \"start\": ", i ? ", " : "", e->i_event_id);
    utc(&b, e->i_start_time);
    bput(&b, ", \"duration\": %u, \"running\": %u, \"free_ca_mode\": %s, \"descriptors\": ", duration(e->i_duration),
         e->i_running_status, e->b_free_ca ? "true" : "false");
    descriptors(&b, e->p_first_descriptor);
    bput(&b, "}");
  }
  bput(&b, "]}");
  ladd(&eits, &b);
  dvbpsi_eit_delete(t);
}

static void on_tot(void* data, dvbpsi_tot_t* t) {
  (void)data;
  Buf b = {0};
  bput(&b, "{\"utc\": ");
  utc(&b, t->i_utc_time);
  if (t->i_table_id == 0x73) {
    bput(&b, ", \"descriptors\": ");
    descriptors(&b, t->p_first_descriptor);
  }
  bput(&b, "}");
  ladd(t->i_table_id == 0x73 ? &tots : &tdts, &b);
  dvbpsi_tot_delete(t);
}

static void on_new_table(dvbpsi_t* h, uint8_t table, uint16_t extension, void* data) {
  (void)data;
  if (table == 0x40 || table == 0x41)
    dvbpsi_nit_attach(h, table, extension, on_nit, NULL);
  else if (table == 0x42 || table == 0x46)
    dvbpsi_sdt_attach(h, table, extension, on_sdt, NULL);
  else if (table == 0x4A)
    dvbpsi_bat_attach(h, table, extension, on_bat, NULL);
  else if (table >= 0x4E && table <= 0x6F)
    dvbpsi_eit_attach(h, table, extension, on_eit, NULL);
  else if (table == 0x70 || table == 0x73)
    dvbpsi_tot_attach(h, table, extension, on_tot, NULL);
}

/* ------------------------------------------------------------------ output */
static void print_list(const char* name, List* l, int last) {
  printf("  \"%s\": [", name);
  for (size_t i = 0; i < l->n; ++i) printf("%s\n    %s", i ? "," : "", l->items[i]);
  printf("%s]%s\n", l->n ? "\n  " : "", last ? "" : ",");
}

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '-') {
    fprintf(stderr, "usage: si_ref_dump FILE.ts\n");
    return 2;
  }
  FILE* f = fopen(argv[1], "rb");
  if (!f) {
    fprintf(stderr, "si_ref_dump: cannot open %s\n", argv[1]);
    return 2;
  }
  if (!dvbpsi_pat_attach(route(0x00, PAT), on_pat, NULL) || !dvbpsi_cat_attach(route(0x01, CAT), on_cat, NULL) ||
      !dvbpsi_AttachDemux(route(0x10, DEMUX), on_new_table, NULL) ||
      !dvbpsi_AttachDemux(route(0x11, DEMUX), on_new_table, NULL) ||
      !dvbpsi_AttachDemux(route(0x12, DEMUX), on_new_table, NULL) ||
      !dvbpsi_AttachDemux(route(0x14, DEMUX), on_new_table, NULL)) {
    fprintf(stderr, "si_ref_dump: cannot attach decoders\n");
    return 2;
  }
  static int last_cc[8192];
  for (int i = 0; i < 8192; ++i) last_cc[i] = -1;
  uint8_t p[188];
  unsigned long packets = 0, damaged = 0;
  size_t got;
  while ((got = fread(p, 1, 188, f)) == 188) {
    ++packets;
    if (p[0] != 0x47) {
      note(&errors, "packet %lu: no sync byte", packets - 1);
      continue;
    }
    if (p[1] & 0x80) { /* transport_error_indicator: the receiver dropped a damaged packet */
      ++damaged;
      continue;
    }
    unsigned pid = ((p[1] & 0x1F) << 8) | p[2];
    unsigned afc = (p[3] >> 4) & 3, cc = p[3] & 15;
    int discontinuity = (afc & 2) && p[4] > 0 && (p[5] & 0x80);
    if ((afc & 1) && pid != 0x1FFF) {
      if (last_cc[pid] >= 0 && !discontinuity && cc != ((unsigned)last_cc[pid] + 1) % 16 && (int)cc != last_cc[pid])
        note(&gaps, "packet %lu: continuity counter %u after %d on PID %u", packets - 1, cc, last_cc[pid], pid);
      last_cc[pid] = (int)cc;
    }
    if (p[3] & 0xC0) continue; /* scrambled: no tables there */
    for (int i = 0; i < routes[pid].n; ++i) dvbpsi_packet_push(routes[pid].h[i], p);
  }
  if (got != 0) note(&errors, "file ends in the middle of a packet (%zu bytes)", got);
  fclose(f);

  printf("{\n  \"file\": ");
  {
    Buf b = {0};
    bstr(&b, (const uint8_t*)argv[1], strlen(argv[1]));
    printf("%s,\n", b.s);
    free(b.s);
  }
  printf("  \"packets\": %lu,\n  \"damaged_packets\": %lu,\n", packets, damaged);
  print_list("errors", &errors, 0);
  print_list("continuity", &gaps, 0);
  print_list("warnings", &warnings, 0);
  print_list("pat", &pats, 0);
  print_list("pmt", &pmts, 0);
  print_list("cat", &cats, 0);
  print_list("nit", &nits, 0);
  print_list("sdt", &sdts, 0);
  print_list("bat", &bats, 0);
  print_list("eit", &eits, 0);
  print_list("tdt", &tdts, 0);
  print_list("tot", &tots, 1);
  printf("}\n");
  int status = errors.n ? 1 : 0;
  release_all();
  return status;
}
