#include "writing/html_writer.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "writing/acquisition_header.h"
#include "writing/number_format.h"
#include "writing/output_file.h"

namespace scopehost {

namespace {

void AppendJsonString(std::string& json, std::string_view text) {
  json += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20 || c == '<') {
      std::array<char, 8> escaped;
      std::snprintf(escaped.data(), escaped.size(), "\\u%04x", byte);
      json += escaped.data();
    } else {
      json += c;
    }
  }
  json += '"';
}

void AppendValues(std::string& json, const std::vector<double>& values) {
  json += "\"values\":[";
  for (size_t k = 0; k < values.size(); ++k) {
    if (k > 0) json += ',';
    if (std::isfinite(values[k]))
      AppendNumber(json, values[k]);
    else
      json += "null";
  }
  json += ']';
}

void AppendColumn(std::string& json, std::string_view name, std::string_view unit,
                  const std::vector<double>& values) {
  json += "{\"name\":";
  AppendJsonString(json, name);
  json += ",\"unit\":";
  AppendJsonString(json, unit);
  json += ',';
  AppendValues(json, values);
  json += '}';
}

void AppendReference(std::string& json, const Reference& reference) {
  json += "{\"name\":";
  AppendJsonString(json, reference.vector);
  json += ",\"channel\":";
  AppendJsonString(json, reference.channel);
  json += ",\"file\":";
  AppendJsonString(json, reference.file);
  json += ',';
  AppendValues(json, reference.values);
  json += '}';
}

OutputError UnreadableTemplate(const std::filesystem::path& viewerTemplate) {
  return OutputError("cannot read the viewer template " + viewerTemplate.string());
}

std::string ReadTemplate(const std::filesystem::path& viewerTemplate) {
  std::ifstream file(viewerTemplate, std::ios::binary);
  std::ostringstream text;
  if (!(file && text << file.rdbuf())) throw UnreadableTemplate(viewerTemplate);
  return std::move(text).str();
}

}  // namespace

void RequireReadableTemplate(const std::filesystem::path& viewerTemplate) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(viewerTemplate, error) ||
      !std::ifstream(viewerTemplate).good()) {
    throw UnreadableTemplate(viewerTemplate);
  }
}

std::string AcquisitionJson(const Waveforms& waveforms, const std::vector<Reference>& references) {
  std::string json = "{\"header\":[";
  bool first = true;
  for (const auto& [name, value] : AcquisitionHeader(waveforms)) {
    json += first ? "[" : ",[";
    first = false;
    AppendJsonString(json, name);
    json += ',';
    AppendJsonString(json, value);
    json += ']';
  }
  json += "],\"columns\":[";
  AppendColumn(json, AbscissaName(waveforms.abscissa), AbscissaUnit(waveforms.abscissa),
               waveforms.abscissaValues);
  for (const Trace& channel : waveforms.channels) {
    json += ',';
    AppendColumn(json, channel.name, kVolts, channel.volts);
  }
  json += ']';
  if (!references.empty()) {
    json += ",\"references\":[";
    for (size_t k = 0; k < references.size(); ++k) {
      if (k > 0) json += ',';
      AppendReference(json, references[k]);
    }
    json += ']';
  }
  return json + '}';
}

std::string Page(const Waveforms& waveforms, const std::filesystem::path& viewerTemplate,
                 const std::vector<Reference>& references) {
  std::string page = ReadTemplate(viewerTemplate);
  const size_t at = page.find(kAcquisitionPlaceholder);
  if (at == std::string::npos || page.find(kAcquisitionPlaceholder, at + 1) != std::string::npos) {
    throw OutputError("the viewer template " + viewerTemplate.string() +
                      " holds no single place for the acquisition");
  }
  return page.replace(at, kAcquisitionPlaceholder.size(), AcquisitionJson(waveforms, references));
}

void WriteHtml(const Waveforms& waveforms, const std::filesystem::path& viewerTemplate,
               const std::filesystem::path& path, const std::vector<Reference>& references) {
  const std::string page = Page(waveforms, viewerTemplate, references);
  OutputFile file(path);
  file.Write(page);
  file.Commit();
}

}  // namespace scopehost
