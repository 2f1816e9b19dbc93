// The page's Align and Transient: the driver's textbook boxes and a
// design driven in time, from the same functions as --align and
// --transient.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

// {rows: [{name, property, qtc, vb_l, fc, fb, f3, port_diameter_mm}],
// notes, warnings} for the driver of a design request (as compute_answer
// takes it), or {error}.
nlohmann::json alignments_answer(const nlohmann::json& request);

// A design request (as compute_answer takes it) with `signal` as
// --transient takes it ("burst:40Hz:8"; empty: a burst of 8 cycles at
// the design's resonance) and `duration` ("" or as --duration takes it).
// The answer: {ok, signal, description, lines, time_ms, voltage,
// excursion_mm, pressure, port_velocity (with a port)} at most 4000 rows
// of the record, evenly picked; or {ok: false, errors}.
nlohmann::json transient_answer(const nlohmann::json& request);
