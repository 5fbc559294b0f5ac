// The waveform viewer: reads the acquisition embedded in the page and draws it with dygraphs.
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

  const HYSTERESIS = 0.1;  // of peak-to-peak, around the mean, for the frequency estimate
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

  // In an array where `before` holds for a leading run of elements only: that run's length.
  function partitionPoint(values, before) {
    let low = 0;
    let high = values.length;
    while (low < high) {
      const middle = (low + high) >> 1;
      if (before(values[middle])) low = middle + 1;
      else high = middle;
    }
    return low;
  }

  function statistics(values, times, first, end) {
    let min = Infinity;
    let max = -Infinity;
    let sum = 0;
    let squares = 0;
    let count = 0;
    for (let k = first; k < end; ++k) {
      const v = values[k];
      if (v === null) continue;
      if (v < min) min = v;
      if (v > max) max = v;
      sum += v;
      squares += v * v;
      ++count;
    }
    if (count === 0) return null;
    const mean = sum / count;
    return {
      min, max, mean,
      peakToPeak: max - min,
      rms: Math.sqrt(squares / count),
      frequency: times ? frequency(values, times, first, end, mean, max - min) : null,
    };
  }

  // Rising crossings of the mean: a sample above mean + band/2 after one below mean - band/2
  // counts one, timed where the signal last passed the mean, interpolated between two
  // samples. Noise smaller than the band makes no crossing. Two crossings at least give the
  // mean period between the first and the last.
  function frequency(values, times, first, end, mean, peakToPeak) {
    if (!(peakToPeak > 0)) return null;
    const low = mean - (HYSTERESIS / 2) * peakToPeak;
    const high = mean + (HYSTERESIS / 2) * peakToPeak;
    let armed = false;
    let lastAtOrBelowMean = -1;
    let firstCrossing = null;
    let lastCrossing = null;
    let crossings = 0;
    for (let k = first; k < end; ++k) {
      const v = values[k];
      if (v === null) continue;
      if (v <= mean) lastAtOrBelowMean = k;
      if (v < low) {
        armed = true;
      } else if (v > high && armed) {
        armed = false;
        const j = lastAtOrBelowMean;
        const t = times[j] + ((mean - values[j]) * (times[j + 1] - times[j])) /
                                 (values[j + 1] - values[j]);
        if (crossings === 0) firstCrossing = t;
        lastCrossing = t;
        ++crossings;
      }
    }
    if (crossings < 2 || !(lastCrossing > firstCrossing)) return null;
    return (crossings - 1) / (lastCrossing - firstCrossing);
  }

  function cell(tag, text, value) {
    const element = document.createElement(tag);
    element.textContent = text;
    if (value !== undefined) element.dataset.value = value === null ? "" : String(value);
    return element;
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
    timeRowsMade ??= axis.values.map((t, k) => [t, ...channels.map((c) => c.values[k])]);
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
    return channels.map((c) => document.querySelector(
        'input[data-channel="' + CSS.escape(c.name) + '"]').checked);
  }

  // The overview strip shows one trace, the first channel switched on (the first channel when
  // none is): legible there, where an average of all would not be, and a quarter of the work
  // of four on every redraw.
  function overview(visibility) {
    const first = Math.max(0, visibility.indexOf(true));
    return Object.fromEntries(
        channels.map((c, k) => [label(c), {showInRangeSelector: k === first}]));
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
      labels: [label(axis), ...channels.map(label)],
      xlabel: label(axis),
      ylabel: null,  // the ticks carry the unit
      visibility,
      series: overview(visibility),
      drawPoints: false,
      strokeWidth: 1,
      axes: {x: axisFormat(axis.unit), y: axisFormat("V")},
    });
  }

  function redraw() {
    const settings = options();
    if (graph) {
      graph.updateOptions(settings);
    } else {
      const file = settings.file;
      delete settings.file;
      graph = new Dygraph(document.getElementById("graph"), file, settings);
    }
    showCursors();
  }

  // Dygraphs draws the first time inside its constructor, before it has returned the graph.
  function afterDraw(g) {
    graph = g;
    if (firstDrawAt === null) firstDrawAt = performance.now();
    showMeasurements();
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
      const tr = row([cell("th", c.name), ...keys.map((key) => {
        const value = stats[key] === undefined ? null : stats[key];
        const td = cell("td", si(value, key === "frequency" ? "Hz" : "V", 6), value);
        td.dataset.measure = key;
        return td;
      })]);
      tr.dataset.channel = c.name;
      table.appendChild(tr);
    }
  }

  // ---- controls ----

  function addChannelSwitches() {
    const box = document.getElementById("channels");
    for (const c of channels) {
      const input = document.createElement("input");
      input.type = "checkbox";
      input.checked = true;
      input.dataset.channel = c.name;
      input.addEventListener("change", () => {
        if (xy.on) return;
        const visibility = channelVisibility();
        graph.updateOptions({visibility, series: overview(visibility)});
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
  document.getElementById("reset").addEventListener("click", () => graph.resetZoom());
  redraw();

  // For scripts driving the page (its tests and benchmark): the graph, and when it was first
  // drawn completely, in milliseconds since the page's navigation began.
  return {
    get graph() { return graph; },
    get firstDrawAt() { return firstDrawAt; },
  };
})();
