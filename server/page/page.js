// The live design page: a form built from the design file's key table,
// each change computed on the server with the command line's own code,
// the newest answer drawn. Every text from a file or an answer reaches
// the page through textContent, never as markup.
'use strict';

const token = document.querySelector('meta[name="token"]').content;
// The design's own curves, then one colour for each kept design.
const colours = ['#1f77b4', '#555555', '#d62728', '#2ca02c', '#9467bd', '#8c564b', '#e377c2', '#17becf', '#bcbd22',
                 '#ff7f0e'];
const state = {
  keys: [], designs: [], folder: 0, name: 'design.toml', text: '', values: {},
  seq: 0, drawn: 0, answer: null, overlays: [], charts: [], started: new Map(),
};
// The change-to-redraw times of the last answers, in ms (the bench reads them).
window.redrawTimes = [];

function $(id) { return document.getElementById(id); }

// The chart library's legend writes style attributes, which the page's
// Content-Security-Policy refuses; the page has its own readout instead.
Dygraph.PLUGINS = Dygraph.PLUGINS.filter(p => p !== Dygraph.Plugins.Legend);

function element(tag, text, cls) {
  const e = document.createElement(tag);
  if (text !== undefined) e.textContent = text;
  if (cls) e.className = cls;
  return e;
}

// Dygraphs writes labels as HTML.
function escapeHtml(s) {
  return String(s).replace(/[&<>"']/g, c => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;' }[c]));
}

async function api(path, body) {
  const response = await fetch('/api/' + path, {
    method: body === undefined ? 'GET' : 'POST',
    headers: { 'X-Token': token, 'Content-Type': 'application/json' },
    body: body === undefined ? undefined : JSON.stringify(body),
    credentials: 'same-origin',
  });
  let answer = {};
  try { answer = await response.json(); } catch (e) { answer = { error: response.statusText }; }
  answer.httpStatus = response.status;
  return answer;
}

// "inf" and "nan" as the C library prints them.
function number(text) {
  const t = text.trim();
  if (/^-?inf/i.test(t)) return t[0] === '-' ? -Infinity : Infinity;
  if (/nan/i.test(t)) return NaN;
  return Number(t);
}

function parseTable(text) {
  const lines = text.split('\n').filter(l => l.length > 0);
  const header = lines[0].split(',');
  const columns = {};
  header.forEach(h => { columns[h] = []; });
  for (let i = 1; i < lines.length; i++) {
    const cells = lines[i].split(',');
    header.forEach((h, j) => columns[h].push(cells[j]));
  }
  return { header, columns };
}

function summaryRows(text) {
  return text.split('\n').slice(1).filter(l => l).map(l => {
    const first = l.indexOf(','), last = l.lastIndexOf(',');
    return { quantity: l.slice(0, first), value: l.slice(first + 1, last), unit: l.slice(last + 1) };
  });
}

// ---- the form ----

function fieldId(key) { return 'k-' + key.replace('.', '-'); }

function buildForm() {
  const form = $('form');
  form.replaceChildren();
  const sets = {};
  for (const k of state.keys) {
    const table = k.key.slice(0, k.key.indexOf('.'));
    if (!sets[table]) {
      sets[table] = element('fieldset');
      sets[table].append(element('legend', table));
      form.append(sets[table]);
    }
    const field = element('div', undefined, 'field');
    const label = element('label', k.key.slice(table.length + 1));
    const input = element('input');
    input.id = fieldId(k.key);
    input.name = k.key;
    input.spellcheck = false;
    label.htmlFor = input.id;
    input.placeholder = k.unit ? 'e.g. 1 ' + k.unit : '';
    input.addEventListener('input', () => compute(performance.now()));
    field.append(label, input);
    if (k.units) field.append(element('span', k.units, 'units'));
    const msg = element('span', '', 'msg');
    msg.id = input.id + '-msg';
    field.append(msg);
    sets[table].append(field);
  }
}

function fillForm() {
  for (const k of state.keys) $(fieldId(k.key)).value = state.values[k.key] !== undefined ? state.values[k.key] : '';
  showReadOnly();
}

// Keys of the file the form has no field for: shown, and saved as they are.
function showReadOnly() {
  const old = $('read-only');
  if (old) old.remove();
  const known = new Set(state.keys.map(k => k.key));
  const others = Object.keys(state.values).filter(k => !known.has(k));
  if (!others.length) return;
  const set = element('fieldset');
  set.id = 'read-only';
  set.append(element('legend', 'read-only here, saved unchanged'));
  for (const key of others) {
    const field = element('div', undefined, 'field');
    const input = element('input');
    input.value = state.values[key];
    input.readOnly = true;
    field.append(element('label', key), input);
    set.append(field);
  }
  $('form').append(set);
}

// The fields that differ from the file.
function edits() {
  const values = {};
  for (const k of state.keys) {
    const typed = $(fieldId(k.key)).value;
    const was = state.values[k.key];
    if (was === undefined ? typed !== '' : typed !== was) values[k.key] = typed;
  }
  return values;
}

function designRequest() {
  return { name: state.name, text: state.text, values: edits(), accept_unusual: $('accept-unusual').checked };
}

// ---- computing and drawing ----

async function compute(started) {
  const seq = ++state.seq;
  state.started.set(seq, started || performance.now());
  const request = designRequest();
  request.seq = seq;
  $('status').textContent = 'computing…';
  const answer = await api('compute', request);
  const answered = performance.now();
  if (answer.seq !== seq || seq < state.drawn) return;  // a newer answer is or will be drawn
  state.drawn = seq;
  showMessages(answer);
  if (answer.ok) {
    state.answer = answer;
    draw();
    const began = state.started.get(seq);
    window.redrawTimes.push(performance.now() - began);
    window.lastSplit = { answer: answered - began, draw: performance.now() - answered };
    $('status').textContent = 'computed';
  } else {
    $('status').textContent = 'not computed: the curves show the last good design';
  }
  for (const s of state.started.keys()) if (s <= seq) state.started.delete(s);
}

function showMessages(answer) {
  const list = $('messages');
  list.replaceChildren();
  for (const k of state.keys) {
    $(fieldId(k.key) + '-msg').textContent = '';
    $(fieldId(k.key) + '-msg').className = 'msg';
    $(fieldId(k.key)).classList.remove('bad');
  }
  const place = (m, warn) => {
    const input = m.key && $(fieldId(m.key));
    if (input) {
      const msg = $(fieldId(m.key) + '-msg');
      msg.textContent = (msg.textContent ? msg.textContent + '\n' : '') + m.text;
      msg.className = warn ? 'msg warn' : 'msg';
      if (!warn) input.classList.add('bad');
    } else {
      list.append(element('li', m.text, warn ? 'warn' : ''));
    }
  };
  (answer.errors || []).forEach(m => place(m, false));
  (answer.warnings || []).forEach(m => place(m, true));
}

function marks(summary) {
  const found = [];
  for (const r of summaryRows(summary))
    if (['F3', 'fb', 'fc'].includes(r.quantity) && isFinite(number(r.value))) found.push({ label: r.quantity, f: number(r.value) });
  return found;
}

// The charts: each column of the response table against frequency, the
// design's limit as a flat line.
const chartPlans = [
  { title: 'SPL and max SPL [dB]', columns: ['SPL[dB]', 'max_SPL[dB]'], names: ['SPL', 'max SPL'] },
  { title: 'impedance [ohm]', columns: ['impedance[ohm]'], names: ['|Z|'] },
  { title: 'impedance phase [deg]', columns: ['impedance_phase[deg]'], names: ['phase of Z'] },
  { title: 'excursion [mm]', columns: ['excursion[mm]'], names: ['excursion'], limit: a => a.xmax_mm, limitName: 'Xmax' },
  { title: 'port velocity [m/s]', columns: ['port_velocity[m/s]'], names: ['port velocity'], limit: a => a.port_limit, limitName: 'limit' },
  { title: 'group delay [ms]', columns: ['group_delay[ms]'], names: ['group delay'] },
  { title: 'phase [deg]', columns: ['phase[deg]'], names: ['phase'] },
];

function plotted(v) { return isFinite(v) ? v : NaN; }

function seriesOf(plan, table, answer, prefix) {
  const series = [];
  plan.columns.forEach((c, i) => {
    if (table.columns[c]) series.push({ name: prefix + plan.names[i], values: table.columns[c].map(number) });
  });
  if (plan.limit && series.length && plan.limit(answer) > 0 && !prefix)
    series.push({ name: plan.limitName, values: table.columns['frequency[Hz]'].map(() => plan.limit(answer)) });
  return series;
}

// The charts stay; a new answer replaces their data.
function draw() {
  const answer = state.answer;
  const table = parseTable(answer.csv);
  state.table = table;
  const frequency = table.columns['frequency[Hz]'].map(number);
  state.marks = marks(answer.summary);
  const charts = $('charts');
  state.chartMap = state.chartMap || new Map();
  state.charts = [];
  // Every other numeric column of the table (a chamber's pressure, a
  // resonator's neck velocity) on a chart of its own.
  const planned = new Set(['frequency[Hz]', 'limited_by'].concat(...chartPlans.map(p => p.columns)));
  const plans = chartPlans.concat(table.header.filter(c => !planned.has(c))
    .map(c => ({ title: c, columns: [c], names: [c.replace(/\[.*$/, '')] })));
  for (const [title, chart] of state.chartMap)
    if (!plans.some(p => p.title === title)) chart.block.hidden = true;
  plans.forEach(plan => {
    const series = seriesOf(plan, table, answer, '');
    const colourList = series.map((s, i) => colours[i]);
    if (series.length) state.overlays.forEach((o, k) => {
      if (o.frequency.length !== frequency.length) return;
      for (const s of seriesOf(plan, o.table, o.answer, '#' + (k + 1) + ' ')) {
        series.push(s);
        colourList.push(o.colour);
      }
    });
    let chart = state.chartMap.get(plan.title);
    if (!series.length) {
      if (chart) chart.block.hidden = true;
      return;
    }
    const data = frequency.map((f, row) => [f].concat(series.map(s => plotted(s.values[row]))));
    const labels = ['frequency'].concat(series.map(s => escapeHtml(s.name)));
    if (!chart) {
      chart = { block: element('div', undefined, 'chart-block') };
      chart.block.append(element('div', plan.title, 'chart-title'));
      const div = element('div', undefined, 'chart');
      chart.block.append(div);
      charts.append(chart.block);
      state.chartMap.set(plan.title, chart);
      chart.graph = new Dygraph(div, data, {
        labels, colors: colourList,
        legend: 'never',
        axes: { x: { logscale: true } },
        xRangePad: 0,
        strokeWidth: 1.4,
        highlightCallback: (e, x, points, row) => readout(plan, chart.series, row, frequency),
        unhighlightCallback: () => { $('readout').textContent = '\u00a0'; },
        underlayCallback: drawMarks,
      });
    } else {
      chart.block.hidden = false;
      chart.graph.updateOptions({ file: data, labels, colors: colourList });
    }
    chart.series = series;
    state.charts.push(chart);
  });
  showSummary(answer.summary);
}

// F3, fb and fc as dashed lines with their names.
function drawMarks(ctx, area, g) {
  ctx.save();
  ctx.strokeStyle = '#999';
  ctx.fillStyle = '#555';
  ctx.setLineDash([4, 3]);
  ctx.font = '11px sans-serif';
  (state.marks || []).forEach((m, i) => {
    // On a logarithmic axis by hand: toDomXCoord maps linearly.
    const [from, to] = g.xAxisRange();
    const x = area.x + area.w * Math.log(m.f / from) / Math.log(to / from);
    if (x < area.x || x > area.x + area.w) return;
    ctx.beginPath();
    ctx.moveTo(x, area.y);
    ctx.lineTo(x, area.y + area.h);
    ctx.stroke();
    ctx.fillText(m.label, x + 2, area.y + 10 + 11 * i);
  });
  ctx.restore();
}

function readout(plan, series, row, frequency) {
  const parts = [frequency[row].toPrecision(5) + ' Hz'];
  series.forEach(s => parts.push(s.name + ' ' + (isFinite(s.values[row]) ? s.values[row].toPrecision(5) : String(s.values[row]))));
  const limited = state.table.columns['limited_by'];
  if (limited && plan.columns.includes('max_SPL[dB]')) parts.push('limited by ' + limited[row]);
  $('readout').textContent = parts.join('   ');
}

function showSummary(text) {
  const body = $('summary').tBodies[0];
  body.replaceChildren();
  for (const r of summaryRows(text)) {
    const tr = element('tr');
    tr.append(element('td', r.quantity), element('td', r.value), element('td', r.unit));
    body.append(tr);
  }
}

// ---- overlays ----

function keep() {
  if (!state.answer) return;
  if (state.overlays.length >= 8) {
    $('status').textContent = 'at most 8 kept designs: remove one first';
    return;
  }
  const changed = Object.entries(edits()).map(([k, v]) => (v ? '' : 'no ') + k.slice(k.indexOf('.') + 1) + (v ? '=' + v : ''))
    .join(' ');
  const used = new Set(state.overlays.map(o => o.colour));
  const colour = colours.slice(2).find(c => !used.has(c));
  const table = parseTable(state.answer.csv);
  state.overlays.push({ name: state.name.replace(/\.toml$/, '') + (changed ? ' ' + changed : ''), colour, answer: state.answer,
                        table, frequency: table.columns['frequency[Hz]'] });
  showOverlays();
  draw();
}

function showOverlays() {
  const list = $('overlays');
  list.replaceChildren();
  state.overlays.forEach((o, k) => {
    const li = element('li');
    const swatch = element('span', undefined, 'swatch');
    swatch.style.background = o.colour;
    const remove = element('button', 'remove', 'remove');
    remove.type = 'button';
    remove.addEventListener('click', () => {
      state.overlays.splice(k, 1);
      showOverlays();
      draw();
    });
    li.append(swatch, element('span', '#' + (k + 1) + ' ' + o.name, 'overlay-name'), remove);
    list.append(li);
  });
}

// ---- files ----

function showTitle() {
  const folder = state.designs.length ? state.folders[state.folder] + '/' : '';
  const driver = state.values['driver.name'];
  $('title').textContent = folder + state.name + (driver ? ': ' + driver : '');
  document.title = state.name + ' - acoustic_design';
}

async function load(folder, name) {
  const answer = await api('load', { folder, name });
  if (answer.httpStatus !== 200) {
    $('status').textContent = answer.error || 'cannot load';
    return;
  }
  state.folder = folder;
  state.name = name;
  state.text = answer.text;
  state.values = answer.values;
  $('notice').hidden = true;
  showTitle();
  fillForm();
  await compute();
}

function listFiles() {
  const select = $('file');
  select.replaceChildren();
  state.designs.forEach((d, i) => {
    const option = element('option', state.folders[d.folder] + '/' + d.name);
    option.value = String(i);
    if (d.folder === state.folder && d.name === state.name) option.selected = true;
    select.append(option);
  });
  select.disabled = state.designs.length === 0;
}

async function save(asNew, overwrite) {
  const name = asNew ? $('save-name').value.trim() : state.name;
  if (!state.designs.length && !asNew) {
    $('status').textContent = 'a blank design: Save as a name first';
    return;
  }
  const request = designRequest();
  Object.assign(request, { folder: state.folder, name, as_new: asNew, overwrite: !!overwrite });
  const answer = await api('save', request);
  if (answer.exists) {
    if (confirm(name + ' exists. Replace it?')) await save(true, true);
    return;
  }
  if (answer.changed) {
    $('notice-text').textContent = state.name + ' changed on disk since it was loaded: not saved.';
    $('notice').hidden = false;
    return;
  }
  if (answer.httpStatus !== 200) {
    $('status').textContent = answer.error || 'not saved';
    return;
  }
  state.name = name;
  state.text = answer.text;
  state.values = answer.values;
  if (!state.designs.some(d => d.folder === state.folder && d.name === name))
    state.designs.push({ folder: state.folder, name });
  listFiles();
  showTitle();
  fillForm();
  $('status').textContent = 'saved ' + answer.saved;
}

// ---- alignments and the transient ----

function fieldValue(key, value) {
  const input = $(fieldId(key));
  if (input) input.value = value;
}

function figure(x) { return String(Number(x.toPrecision(4))); }

async function align() {
  const answer = await api('align', designRequest());
  const list = $('alignment-list');
  list.replaceChildren();
  $('alignments').hidden = false;
  if (answer.error) {
    list.append(element('li', answer.error));
    return;
  }
  for (const row of answer.rows) {
    const li = element('li');
    const vented = row.name !== 'closed';
    const text = (vented ? 'vented ' + row.name : 'closed Qtc ' + row.qtc) + ': Vb ' + figure(row.vb_l) + ' l, ' +
      (vented ? 'fb ' + figure(row.fb) : 'fc ' + figure(row.fc)) + ' Hz, F3 ' + figure(row.f3) + ' Hz';
    const load = element('button', text);
    load.type = 'button';
    load.title = row.property;
    load.addEventListener('click', () => {
      fieldValue('enclosure.type', vented ? 'vented' : 'closed');
      fieldValue('enclosure.Vb', figure(row.vb_l) + ' l');
      fieldValue('enclosure.fb', vented ? figure(row.fb) + ' Hz' : '');
      fieldValue('enclosure.port_diameter', vented && row.port_diameter_mm > 0 ? figure(row.port_diameter_mm) + ' mm' : '');
      // As --align --write has it: a vented box keeps the file's Ql, ports and port_ends.
      for (const key of ['enclosure.port_length', 'enclosure.port_area', 'enclosure.Vr']) fieldValue(key, '');
      if (!vented) for (const key of ['enclosure.Ql', 'enclosure.ports', 'enclosure.port_ends']) fieldValue(key, '');
      compute();
    });
    li.append(load);
    list.append(li);
  }
  for (const note of answer.notes) list.append(element('li', 'note: ' + note));
}

async function transient() {
  const request = designRequest();
  request.signal = $('signal').value.trim();
  const answer = await api('transient', request);
  $('transient-block').hidden = false;
  const lines = $('transient-lines');
  lines.replaceChildren();
  if (!answer.ok) {
    for (const m of answer.errors || []) lines.append(element('li', m.text));
    return;
  }
  $('transient-title').textContent = 'transient: ' + answer.description;
  for (const line of answer.lines) lines.append(element('li', line));
  const plot = (id, label, values) => {
    const data = answer.time_ms.map((t, k) => [t, plotted(values[k])]);
    if (state[id]) state[id].destroy();
    state[id] = new Dygraph($(id), data, { labels: ['time [ms]', escapeHtml(label)], legend: 'never',
                                           ylabel: escapeHtml(label), xlabel: 'time [ms]', strokeWidth: 1.2 });
  };
  plot('transient-pressure', 'pressure [Pa]', answer.pressure);
  plot('transient-excursion', 'excursion [mm]', answer.excursion_mm);
}

async function start() {
  const answer = await api('start');
  state.keys = answer.keys;
  state.designs = answer.designs;
  state.folders = answer.folders;
  buildForm();
  $('accept-unusual').disabled = !answer.accept_unusual;
  $('accept-unusual').addEventListener('change', () => compute());
  $('keep').addEventListener('click', keep);
  $('align').addEventListener('click', align);
  $('transient').addEventListener('click', transient);
  $('save').addEventListener('click', () => save(false));
  $('save-as').addEventListener('click', () => save(true));
  $('reload').addEventListener('click', () => load(state.folder, state.name));
  $('file').addEventListener('change', () => {
    const d = state.designs[Number($('file').value)];
    load(d.folder, d.name);
  });
  listFiles();
  if (state.designs.length) {
    await load(state.designs[0].folder, state.designs[0].name);
  } else {
    state.text = '[driver]\n\n[enclosure]\ntype = "closed"\n';
    state.values = { 'enclosure.type': 'closed' };
    showTitle();
    fillForm();
    await compute();
  }
}

start();
