// The waveform viewer: reads the acquisition embedded in the page and draws it with dygraphs;
// its arithmetic is viewerMath's (viewer_math.js).
// Every measurement is computed from the embedded values as they are, in double precision;
// only the text shown is rounded. Each number shown also carries its full value in a
// data-value attribute (JavaScript's shortest exact form), for copying and checking.
"use strict";

const viewer = (() => {
  const acquisition = JSON.parse(document.getElementById("acquisition").textContent);
  const abscissa = acquisition.columns[0];
  const channels = acquisition.columns.slice(1);
  const points = abscissa.values.length;
  // The time view needs an ascending axis; the X signal of an XY acquisition is not one, so
  // its samples are drawn against their number there instead.
  const axis = abscissa.unit === "V" ? sampleAxis(points) : abscissa;
  const hasTime = axis.unit === "s";
  // Columns that hold volts: measured, read at the cursors, and X or Y in XY mode.
  const signals = acquisition.columns.filter((column) => column.unit === "V");
  // Simulated vectors on the time axis, each with its channel and their difference.
  const comparisons = (acquisition.references || []).map((reference) => {
    const channel = channels.find((c) => c.name === reference.channel);
    return {
      channel, reference,
      simulated: {name: reference.name + " (simulated)", unit: "V", values: reference.values},
      difference: {name: channel.name + " − " + reference.name, unit: "V",
                   values: viewerMath.difference(channel.values, reference.values)},
    };
  });
  // Every trace of the time view: the channels, then each simulation and its difference.
  const traces = [...channels, ...comparisons.flatMap((c) => [c.simulated, c.difference])];

  const {partitionPoint, statistics} = viewerMath;
  const PREFIXES = ["f", "p", "n", "µ", "m", "", "k", "M", "G"];

  function sampleAxis(count) {
    return {name: "sample", unit: "", values: Array.from({length: count}, (_, k) => k)};
  }

  // "20 µs", "-1.5 mV": a number with an SI prefix and `digits` significant digits.
  function si(value, unit, digits) {
    if (value === null || !Number.isFinite(value)) return "–";
    if (value === 0) return unit ? "0 " + unit : "0";
    const group = Math.floor(Math.log10(Math.abs(value)) / 3);
    // Beyond the prefixes (a mean that is zero but for rounding, say): plain exponent form.
    if (group < -5 || group > 3) return value.toPrecision(digits) + (unit ? " " + unit : "");
    const scaled = value / Math.pow(1000, group);
    const text = String(Number(scaled.toPrecision(digits)));
    const suffix = PREFIXES[group + 5] + unit;
    return suffix ? text + " " + suffix : text;
  }

  function label(column) {
    return column.unit ? column.name + " (" + column.unit + ")" : column.name;
  }

  function cell(tag, text, value) {
    const element = document.createElement(tag);
    element.textContent = text;
    if (value !== undefined) element.dataset.value = value === null ? "" : String(value);
    return element;
  }

  // A figure's cell: its text, its full value and the measure it is, for scripts to read.
  function measureCell(key, text, value) {
    const td = cell("td", text, value === undefined ? null : value);
    td.dataset.measure = key;
    return td;
  }

  function row(cells) {
    const tr = document.createElement("tr");
    cells.forEach((c) => tr.appendChild(c));
    return tr;
  }

  function showHeader() {
    const fields = document.getElementById("header-fields");
    for (const [name, value] of acquisition.header) {
      fields.appendChild(cell("dt", name));
      fields.appendChild(cell("dd", value));
      if (name === "device") {
        document.getElementById("title").textContent = value;
        document.title = value + " – gpibscope";
      }
    }
  }

  // ---- the plot ----

  const xy = {on: false, x: signals[0], y: signals[Math.min(1, signals.length - 1)]};
  const cursors = {A: null, B: null, next: "A"};
  let graph = null;
  let firstDrawAt = null;

  // The rows of the time view, made once: the record never changes.
  let timeRowsMade = null;
  function timeRows() {
    timeRowsMade ??= axis.values.map((t, k) => [t, ...traces.map((c) => c.values[k])]);
    return timeRowsMade;
  }

  // Dygraphs wants ascending X; points drawn as dots in that order trace the same figure as
  // the samples in time order.
  function xyRows() {
    const order = Array.from({length: points}, (_, k) => k)
                .filter((k) => xy.x.values[k] !== null)
                .sort((a, b) => xy.x.values[a] - xy.x.values[b]);
    return order.map((k) => [xy.x.values[k], xy.y.values[k]]);
  }

  function axisFormat(unit) {
    return {
      axisLabelWidth: 64,
      axisLabelFormatter: (v) => si(v, unit, 4),
      valueFormatter: (v) => si(v, unit, 6),
    };
  }

  function channelVisibility() {
    return traces.map((c) => document.querySelector(
        'input[data-channel="' + CSS.escape(c.name) + '"]').checked);
  }

  // The overview strip shows one trace, the first channel switched on (the first channel when
  // none is): legible there, where an average of all would not be, and a quarter of the work
  // of four on every redraw.
  function overview(visibility) {
    const first = Math.max(0, visibility.indexOf(true));
    return Object.fromEntries(
        traces.map((c, k) => [label(c), {showInRangeSelector: k === first}]));
  }

  function options() {
    const visibility = channelVisibility();
    const common = {
      legend: "always",
      labelsDiv: document.getElementById("legend"),
      labelsSeparateLines: false,
      showRangeSelector: true,
      rangeSelectorHeight: 40,
      animatedZooms: false,
      // The overview strip would make a drag pan; here a drag zooms and shift-drag pans.
      interactionModel: Dygraph.defaultInteractionModel,
      dateWindow: null,
      valueRange: null,
      underlayCallback: drawCursors,
      drawCallback: afterDraw,
      clickCallback: placeCursor,
    };
    if (xy.on) {
      return Object.assign(common, {
        file: xyRows(),
        labels: [label(xy.x), label(xy.y)],
        xlabel: label(xy.x),
        ylabel: label(xy.y),
        visibility: [true],
        series: {[label(xy.y)]: {showInRangeSelector: true}},
        drawPoints: true,
        strokeWidth: 0,
        pointSize: 1,
        axes: {x: axisFormat("V"), y: axisFormat("V")},
      });
    }
    return Object.assign(common, {
      file: timeRows(),
      labels: [label(axis), ...traces.map(label)],
      xlabel: label(axis),
      ylabel: null,  // the ticks carry the unit
      visibility,
      series: overview(visibility),
      drawPoints: false,
      strokeWidth: 1,
      axes: {x: axisFormat(axis.unit), y: axisFormat("V")},
    });
  }

  // The graph made in div the first time, and given the new settings in place after.
  function plot(existing, div, settings) {
    if (existing) {
      existing.updateOptions(settings);
      return existing;
    }
    const {file, ...rest} = settings;
    return new Dygraph(div, file, rest);
  }

  function redraw() {
    graph = plot(graph, document.getElementById("graph"), options());
    showCursors();
  }

  // Dygraphs draws the first time inside its constructor, before it has returned the graph.
  function afterDraw(g) {
    graph = g;
    showMeasurements();
    if (!xy.on) showComparisonsAndSpectrum();
    if (firstDrawAt === null) firstDrawAt = performance.now();
  }

  // ---- cursors: sample numbers in time order, drawn in the time view ----

  function placeCursor() {
    if (xy.on || !graph) return;
    const selected = graph.getSelection();
    if (selected < 0) return;
    setCursor(cursors.next, selected);
  }

  function setCursor(name, index) {
    cursors[name] = index;
    cursors.next = name === "A" ? "B" : "A";
    graph.updateOptions({});  // the underlay draws the cursors
    showCursors();
  }

  function drawCursors(context, area, g) {
    if (xy.on) return;
    context.save();
    context.font = "12px sans-serif";
    for (const name of ["A", "B"]) {
      const index = cursors[name];
      if (index === null) continue;
      const x = g.toDomXCoord(axis.values[index]);
      if (x < area.x || x > area.x + area.w) continue;
      context.strokeStyle = context.fillStyle = name === "A" ? "#b35900" : "#5c2d91";
      context.setLineDash(name === "A" ? [] : [6, 3]);
      context.beginPath();
      context.moveTo(x, area.y);
      context.lineTo(x, area.y + area.h);
      context.stroke();
      context.fillText(name, x + 3, area.y + 12);
    }
    context.restore();
  }

  function showCursors() {
    const table = document.getElementById("cursors");
    table.replaceChildren();
    const {A, B} = cursors;
    table.dataset.indexA = A === null ? "" : A;
    table.dataset.indexB = B === null ? "" : B;
    if (xy.on) {
      table.appendChild(row([cell("td", "Cursors are placed in the time view.")]));
      return;
    }
    table.appendChild(row(["", "A", "B", "Δ (B − A)"].map((t) => cell("th", t))));
    const at = (values, index) => (index === null ? null : values[index]);
    const difference = (values) => {
      const a = at(values, A);
      const b = at(values, B);
      return a === null || b === null ? null : b - a;
    };
    const line = (id, name, values, unit) => {
      const tr = row([cell("th", name), cell("td", si(at(values, A), unit, 6), at(values, A)),
                      cell("td", si(at(values, B), unit, 6), at(values, B)),
                      cell("td", si(difference(values), unit, 6), difference(values))]);
      tr.id = id;
      return tr;
    };
    table.appendChild(line("cursor-axis", axis.name, axis.values, axis.unit));
    const dt = difference(axis.values);
    const inverse = dt ? 1 / dt : null;
    const unit = hasTime ? "Hz" : "";
    const tr = row([cell("th", "1/Δ" + (hasTime ? "t" : "")), cell("td", ""), cell("td", ""),
                    cell("td", si(inverse, unit, 6), inverse)]);
    tr.id = "cursor-inverse";
    table.appendChild(tr);
    signals.forEach((c, k) => table.appendChild(line("cursor-signal-" + k, c.name, c.values, "V")));
  }

  // ---- measurements over the visible range ----

  function visibleSamples() {
    if (xy.on) return {first: 0, end: points};
    const [from, to] = graph.xAxisRange();
    return {
      from, to,
      first: partitionPoint(axis.values, (t) => t < from),
      end: partitionPoint(axis.values, (t) => t <= to),
    };
  }

  function showMeasurements() {
    const table = document.getElementById("measurements");
    const caption = document.getElementById("visible-range");
    const range = visibleSamples();
    caption.dataset.first = range.first;
    caption.dataset.end = range.end;
    caption.textContent = xy.on
        ? "over the whole record (" + points + " samples)"
        : "over " + axis.name + " " + si(range.from, axis.unit, 6) + " to " +
              si(range.to, axis.unit, 6) + " (" + (range.end - range.first) + " samples)";
    table.replaceChildren(caption);
    const names = ["minimum", "maximum", "peak-to-peak", "mean", "RMS", "frequency"];
    const keys = ["min", "max", "peakToPeak", "mean", "rms", "frequency"];
    table.appendChild(row(["", ...names].map((t) => cell("th", t))));
    const times = hasTime ? axis.values : null;
    for (const c of signals) {
      const stats = statistics(c.values, times, range.first, range.end) || {};
      const tr = row([cell("th", c.name), ...keys.map((key) => measureCell(
          key, si(stats[key], key === "frequency" ? "Hz" : "V", 6), stats[key]))]);
      tr.dataset.channel = c.name;
      table.appendChild(tr);
    }
  }

  // ---- simulated against measured, and the spectrum, over the visible range ----

  let shownRange = null;  // the samples the comparison and the spectrum were last made of

  function showComparisonsAndSpectrum() {
    const range = visibleSamples();
    if (shownRange && shownRange.first === range.first && shownRange.end === range.end) return;
    shownRange = range;
    showComparisons(range);
    if (hasTime) showSpectrum(range);
  }

  function percent(fraction) {
    return fraction === null || !Number.isFinite(fraction)
        ? "–" : Number((100 * fraction).toPrecision(3)) + " %";
  }

  function showComparisons(range) {
    if (comparisons.length === 0) return;
    const table = document.getElementById("comparisons");
    const caption = cell("caption", "over the visible range, " + (range.end - range.first) +
                                        " samples; the simulation interpolated linearly onto " +
                                        "the measured times");
    table.replaceChildren(caption);
    const names = ["simulated", "RMS difference", "largest difference", "RMS / peak-to-peak",
                   "largest / peak-to-peak", "time shift (simulation late by)", "compared"];
    table.appendChild(row(["", ...names].map((t) => cell("th", t))));
    for (const c of comparisons) {
      const r = viewerMath.compare(c.channel.values, c.reference.values, axis.values,
                                   range.first, range.end);
      const tr = row([
        cell("th", c.channel.name), cell("td", c.reference.name + " of " + c.reference.file),
        measureCell("rms", si(r.rms, "V", 4), r.rms),
        measureCell("max", si(r.max, "V", 4), r.max),
        measureCell("rmsRelative", percent(r.rmsRelative), r.rmsRelative),
        measureCell("maxRelative", percent(r.maxRelative), r.maxRelative),
        measureCell("shift", si(r.shift, "s", 4), r.shift),
        measureCell("covered", r.covered === r.samples ? "all samples"
            : r.covered + " of " + r.samples + " samples", r.covered),
      ]);
      tr.dataset.channel = c.channel.name;
      tr.dataset.reference = c.reference.name;
      table.appendChild(tr);
    }
  }

  // Said once: a simulation that does not reach over the whole record is compared where it does.
  function showCoverage() {
    const notes = document.getElementById("comparison-notes");
    for (const c of comparisons) {
      const covered = viewerMath.coverage(c.channel.values, c.reference.values, axis.values, 0,
                                          points);
      if (covered.covered === points) continue;
      const where = covered.covered === 0 ? "none of the record"
          : si(covered.from, "s", 6) + " to " + si(covered.to, "s", 6) + " of the record (" +
                covered.covered + " of " + points + " samples)";
      const note = cell("p", c.reference.name + " of " + c.reference.file + " covers " + where +
                                 ": it is drawn and compared there only.");
      note.className = "coverage";
      notes.appendChild(note);
    }
  }

  const spectrumChoice = {window: "hann", unit: "dBV"};
  let spectrumGraph = null;

  // The spectrum alone follows the channels shown and its own choices; the comparison does not.
  function redrawSpectrum() {
    showSpectrum(visibleSamples());
  }

  function showSpectrum(range) {
    const visibility = channelVisibility();
    const shown = channels.filter((c, k) => visibility[k]);
    const spectra = shown.map((c) => viewerMath.spectrum(c.values, axis.values, range.first,
                                                          range.end, spectrumChoice.window));
    showSpectrumPeaks(shown, spectra);
    const graphDiv = document.getElementById("spectrum");
    if (shown.length === 0 || spectra[0] === null) {
      graphDiv.hidden = true;
      return;
    }
    graphDiv.hidden = false;
    const inDbv = spectrumChoice.unit === "dBV";
    const level = inDbv ? viewerMath.dbv : (v) => v;
    const unit = inDbv ? "dBV" : "V";
    const frequencies = spectra[0].frequencies;
    const rows = new Array(frequencies.length);
    for (let k = 0; k < frequencies.length; ++k) {
      rows[k] = [frequencies[k], ...spectra.map((s) => level(s.volts[k]))];
    }
    const settings = {
      file: rows,
      labels: ["frequency (Hz)", ...shown.map((c) => c.name + " (" + unit + ")")],
      xlabel: "frequency (Hz)",
      legend: "always",
      labelsDiv: document.getElementById("spectrum-legend"),
      animatedZooms: false,
      dateWindow: null,
      valueRange: null,
      strokeWidth: 1,
      axes: {
        x: axisFormat("Hz"),
        y: inDbv ? {axisLabelWidth: 64, axisLabelFormatter: (v) => v.toFixed(0) + " dBV",
                    valueFormatter: (v) => v.toFixed(2) + " dBV"}
                 : axisFormat("V"),
      },
    };
    spectrumGraph = plot(spectrumGraph, graphDiv, settings);
  }

  function showSpectrumPeaks(shown, spectra) {
    const table = document.getElementById("spectrum-peaks");
    table.replaceChildren();
    table.appendChild(row(["", "strongest at", "level (RMS)", "level", "bin width"]
                              .map((t) => cell("th", t))));
    shown.forEach((c, k) => {
      const s = spectra[k];
      const frequency = s ? s.frequencies[s.strongest] : null;
      const volts = s ? s.volts[s.strongest] : null;
      const decibels = s ? viewerMath.dbv(volts) : null;
      const tr = row([
        cell("th", c.name), measureCell("frequency", si(frequency, "Hz", 6), frequency),
        measureCell("volts", si(volts, "V", 4), volts),
        measureCell("dbv", decibels === null ? "–" : decibels.toFixed(2) + " dBV", decibels),
        measureCell("binWidth", si(s ? s.binWidth : null, "Hz", 4), s ? s.binWidth : null),
      ]);
      tr.dataset.channel = c.name;
      table.appendChild(tr);
    });
  }

  function addSpectrumControls() {
    document.getElementById("spectrum-panel").hidden = !hasTime;
    for (const key of ["window", "unit"]) {
      const select = document.getElementById("spectrum-" + key);
      select.value = spectrumChoice[key];
      select.addEventListener("change", () => {
        spectrumChoice[key] = select.value;
        if (!xy.on && hasTime) redrawSpectrum();
      });
    }
  }

  // ---- controls ----

  function addChannelSwitches() {
    const box = document.getElementById("channels");
    for (const c of traces) {
      const input = document.createElement("input");
      input.type = "checkbox";
      input.checked = true;
      input.dataset.channel = c.name;
      input.addEventListener("change", () => {
        if (xy.on) return;
        const visibility = channelVisibility();
        graph.updateOptions({visibility, series: overview(visibility)});
        if (hasTime) redrawSpectrum();
      });
      const wrapper = document.createElement("label");
      wrapper.append(input, " " + c.name);
      box.appendChild(wrapper);
    }
  }

  function addXyControls() {
    const mode = document.getElementById("xy-mode");
    const choices = {x: document.getElementById("xy-x"), y: document.getElementById("xy-y")};
    for (const [key, select] of Object.entries(choices)) {
      signals.forEach((column, k) => {
        const option = new Option(column.name, k, false, column === xy[key]);
        select.appendChild(option);
      });
      select.addEventListener("change", () => {
        xy[key] = signals[Number(select.value)];
        if (xy.on) redraw();
      });
    }
    mode.disabled = signals.length < 2;
    // An XY acquisition opens as the figure it was taken as.
    mode.checked = xy.on = abscissa.unit === "V";
    mode.addEventListener("change", () => {
      xy.on = mode.checked;
      redraw();
    });
  }

  showHeader();
  addChannelSwitches();
  addXyControls();
  addSpectrumControls();
  document.getElementById("comparison-panel").hidden = comparisons.length === 0;
  showCoverage();
  document.getElementById("reset").addEventListener("click", () => graph.resetZoom());
  redraw();

  // For scripts driving the page (its tests and benchmark): the graphs, when the page was first
  // drawn completely, in milliseconds since the page's navigation began, and the spectrum
  // made and drawn again.
  return {
    get graph() { return graph; },
    get spectrumGraph() { return spectrumGraph; },
    get firstDrawAt() { return firstDrawAt; },
    redrawSpectrum,
  };
})();
