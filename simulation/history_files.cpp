#include "simulation/history_files.h"

namespace {

void put_element_labels(text_file& out, const char* label, int nd) {
  for (int i = 0; i < nd; ++i) {
    out.put(label);
    out.put_int(i);
    out.put(']');
  }
}

void put_frequency_label(text_file& out, double F) {
  out.put(',');
  out.put_fixed(F);
  out.put("[Hz]\n");
}

}  // namespace

void write_history_headers(model_state& s) {
  const int nd = s.ND;
  text_file* raw[] = {&s.displacement, &s.velocity};
  const char* raw_labels[] = {",x[", ",v["};
  for (int f = 0; f < 2; ++f) {
    raw[f]->put("time[s],force[N]");
    put_element_labels(*raw[f], raw_labels[f], nd);
    if (s.choice == 0) {
      put_frequency_label(*raw[f], s.F);
    } else {
      raw[f]->put(",random\n");
    }
  }

  s.displacement_n.put("time[s],sum_x[mm]");
  put_element_labels(s.displacement_n, ",x_n[", nd);
  s.velocity_n.put("time[s],sum_v[m/s]");
  put_element_labels(s.velocity_n, ",v_n[", nd);
  for (text_file* out : {&s.displacement_n, &s.velocity_n}) out->put(",force[N]");
  if (s.choice == 0) {
    put_frequency_label(s.displacement_n, s.F);
    put_frequency_label(s.velocity_n, s.F);
  } else if (s.choice == 1) {
    s.displacement_n.put(",sweep rate[Hz/s]=");
    s.displacement_n.put_fixed(s.phi);
    s.displacement_n.put(",final frequency[Hz]=");
    s.displacement_n.put_fixed(s.F);
    s.displacement_n.put('\n');
    s.velocity_n.put(",sweep rate[Hz/s],final frequency[Hz]\n");
  } else {
    s.displacement_n.put(",random\n");
    s.velocity_n.put(",random\n");
  }
}

namespace {

// "first,second", then ",value(i)" for every element, then ",force" when
// the file carries the force last, then the line end.
template <typename ElementValue>
void put_row(text_file& out, double first, double second, int nd, ElementValue value, const double* force_last) {
  out.put_fixed(first);
  out.put(',');
  out.put_fixed(second);
  for (int i = 0; i < nd; ++i) {
    out.put(',');
    out.put_fixed(value(i));
  }
  if (force_last) {
    out.put(',');
    out.put_fixed(*force_last);
  }
  out.put('\n');
}

}  // namespace

void write_history_file_row(text_file& out, history which, const history_row& row) {
  switch (which) {
    case history::displacement:
      put_row(
          out, row.time, row.force, row.nd, [&](int i) { return row.x[i] * 1000; }, nullptr);
      break;
    case history::displacement_n:
      put_row(
          out, row.time, row.sumx, row.nd, [&](int i) { return row.x[i] * row.R[i] * 1000; }, &row.force);
      break;
    case history::velocity:
      put_row(
          out, row.time, row.force, row.nd, [&](int i) { return row.v[i]; }, nullptr);
      break;
    case history::velocity_n:
      put_row(
          out, row.time, row.sumv, row.nd, [&](int i) { return row.v[i] * row.R[i]; }, &row.force);
      break;
  }
}

text_file& history_file(model_state& s, history which) {
  text_file* files[] = {&s.displacement, &s.displacement_n, &s.velocity, &s.velocity_n};
  return *files[static_cast<int>(which)];
}

history_row current_history_row(const model_state& s) {
  return {s.tempo, s.forte, s.sumx, s.sumv, s.xc, s.vc, s.R, s.ND};
}

void write_history_row(model_state& s) {
  const history_row row = current_history_row(s);
  for (history which : all_histories) write_history_file_row(history_file(s, which), which, row);
}
