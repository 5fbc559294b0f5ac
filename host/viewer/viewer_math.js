// The waveform viewer's arithmetic, apart from drawing and events: statistics, frequency,
// the comparison of a channel with a simulated vector, and the magnitude spectrum. Every
// function reads samples [first, end) of arrays in which null marks a missing value.
"use strict";

const viewerMath = (() => {
  const HYSTERESIS = 0.1;  // of peak-to-peak, around the mean, for the frequency estimate
  // The time shift is searched over this many samples either way at most, and a tenth of the
  // range: enough for a model's delay, not so much that the waveform's own period matches.
  const MAX_SHIFT_SAMPLES = 250;

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

  // measured - simulated, sample by sample; null where either is missing.
  function difference(measured, simulated) {
    return measured.map((m, k) => (m === null || simulated[k] === null ? null : m - simulated[k]));
  }

  // Mean squared difference of measured[k] and simulated[k - lag] over [first, end), with the
  // number of pairs, or null when none.
  function meanSquare(measured, simulated, first, end, lag) {
    let sum = 0;
    let count = 0;
    for (let k = Math.max(first, first + lag); k < Math.min(end, end + lag); ++k) {
      const m = measured[k];
      const s = simulated[k - lag];
      if (m === null || s === null) continue;
      sum += (m - s) * (m - s);
      ++count;
    }
    return count === 0 ? null : sum / count;
  }

  // The delay of the simulated vector, in samples, that brings it closest to the measurement:
  // among the whole-sample lags whose mean squared difference is a local least and within half
  // again of the overall least (a periodic waveform matches again a period away), the one
  // nearest no shift, refined between samples by the parabola through it and its neighbours.
  // Negative: the simulation runs late.
  function bestLag(measured, simulated, first, end) {
    const reach = Math.min(MAX_SHIFT_SAMPLES, Math.floor((end - first) / 10));
    const errors = new Map();
    for (let lag = -reach; lag <= reach; ++lag) {
      const error = meanSquare(measured, simulated, first, end, lag);
      if (error !== null) errors.set(lag, error);
    }
    if (errors.size === 0) return null;
    const least = Math.min(...errors.values());
    let best = null;
    for (const [lag, error] of errors) {
      const isLocalLeast = !(errors.get(lag - 1) < error) && !(errors.get(lag + 1) < error);
      const nearer = best === null || Math.abs(lag) < Math.abs(best);
      if (isLocalLeast && error <= 1.5 * least && nearer) best = lag;
    }
    const before = errors.get(best - 1);
    const after = errors.get(best + 1);
    if (before === undefined || after === undefined) return best;
    const curvature = before - 2 * errors.get(best) + after;
    return curvature > 0 ? best + (before - after) / (2 * curvature) : best;
  }

  // Where a simulated vector meets a channel in [first, end): the samples both have, the
  // first and last time of those, and the RMS and largest difference there.
  function coverage(measured, simulated, times, first, end) {
    let covered = 0;
    let from = null;
    let to = null;
    let squares = 0;
    let largest = 0;
    for (let k = first; k < end; ++k) {
      if (measured[k] === null || simulated[k] === null) continue;
      const d = measured[k] - simulated[k];
      squares += d * d;
      largest = Math.max(largest, Math.abs(d));
      from ??= times[k];
      to = times[k];
      ++covered;
    }
    return {covered, samples: end - first, from, to,
            rms: covered ? Math.sqrt(squares / covered) : null, max: covered ? largest : null};
  }

  // A channel against a simulated vector over [first, end): coverage, RMS and largest
  // difference, both also relative to the channel's peak-to-peak there, and the time shift
  // that best aligns them (how late the simulation runs).
  function compare(measured, simulated, times, first, end) {
    const result = coverage(measured, simulated, times, first, end);
    if (result.covered === 0) return result;
    const peakToPeak = statistics(measured, null, first, end).peakToPeak;
    const relative = (value) => (peakToPeak > 0 ? value / peakToPeak : null);
    const lag = bestLag(measured, simulated, first, end);
    const interval = end - first > 1 ? (times[end - 1] - times[first]) / (end - first - 1) : 0;
    return Object.assign(result, {
      rmsRelative: relative(result.rms),
      maxRelative: relative(result.max),
      shift: lag === null ? null : -lag * interval,
    });
  }

  // Window functions over n samples, by name: the coefficient of cos(j 2 pi i / (n - 1)) for
  // each j.
  const WINDOWS = {
    hann: [0.5, -0.5],
    rectangular: [1],
    // Flat-top (the five-term form): a sine's level true to about 0.01 dB between bins.
    flattop: [0.21557895, -0.41663158, 0.277263158, -0.083578947, 0.006947368],
  };

  // The last window made and the transforms made, kept: a redraw mostly needs them again.
  let lastWindow = {name: null, n: 0, w: null, gain: 0};
  const transforms = new Map();

  function windowed(name, n) {
    if (lastWindow.name === name && lastWindow.n === n) return lastWindow;
    const terms = WINDOWS[name];
    const w = new Float64Array(n);
    let gain = 0;
    for (let i = 0; i < n; ++i) {
      const phase = n > 1 ? (2 * Math.PI * i) / (n - 1) : 0;
      let value = 0;
      for (let j = 0; j < terms.length; ++j) value += terms[j] * Math.cos(j * phase);
      w[i] = value;
      gain += value;
    }
    lastWindow = {name, n, w, gain};
    return lastWindow;
  }

  function transform(size) {
    if (!transforms.has(size)) {
      const fft = new FFT(size);
      transforms.set(size, {fft, output: fft.createComplexArray()});
    }
    return transforms.get(size);
  }

  // The magnitude spectrum of samples [first, end) at times `times`, windowed, its mean taken
  // off first so that an offset does not leak over the lowest components (bin 0 is the mean),
  // zero-padded to a power of two for fft.js. Each bin is the RMS volts of a sine at that
  // frequency (peak over the square root of 2), corrected for the window's coherent gain; a
  // missing sample counts as the mean. strongest: the largest bin above 0 Hz.
  function spectrum(values, times, first, end, windowName) {
    const n = end - first;
    if (n < 4 || !(times[end - 1] > times[first])) return null;
    const interval = (times[end - 1] - times[first]) / (n - 1);
    const mean = statistics(values, null, first, end)?.mean ?? 0;
    let size = 2;
    while (size < n) size *= 2;
    const {w, gain} = windowed(windowName, n);
    const input = new Float64Array(size);
    for (let i = 0; i < n; ++i) {
      const v = values[first + i];
      input[i] = ((v === null ? mean : v) - mean) * w[i];
    }
    const {fft, output} = transform(size);
    fft.realTransform(output, input);
    const bins = size / 2 + 1;
    const frequencies = new Float64Array(bins);
    const volts = new Float64Array(bins);
    let strongest = 1;
    for (let k = 0; k < bins; ++k) {
      frequencies[k] = k / (size * interval);
      const re = output[2 * k];
      const im = output[2 * k + 1];
      const magnitude = Math.sqrt(re * re + im * im);
      volts[k] = k === 0 ? Math.abs(mean) : (Math.SQRT2 * magnitude) / gain;
      if (k > 0 && volts[k] > volts[strongest]) strongest = k;
    }
    return {frequencies, volts, binWidth: frequencies[1], strongest};
  }

  // Volts RMS in dB relative to 1 V RMS; nothing below -300 dBV.
  function dbv(volts) {
    return 20 * Math.log10(Math.max(volts, 1e-15));
  }

  return {partitionPoint, statistics, difference, coverage, compare, spectrum, dbv};
})();
