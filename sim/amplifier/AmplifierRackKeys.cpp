#include "sim/amplifier/AmplifierRackKeys.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// ---- The fields of each record, by name ------------------------------------

template <typename Visit>
void Fields(AmplifierCell& c, Visit& v) {
  v("stray_farads", c.stray_farads);
  v("wall_farads", c.wall_farads);
  v("wall_ohms", c.wall_ohms);
  v("series_ohms", c.series_ohms);
  v("membrane_farads", c.membrane_farads);
  v("membrane_ohms", c.membrane_ohms);
  v("second_farads", c.second_farads);
  v("second_ohms", c.second_ohms);
  v("bath_volts", c.bath_volts);
}

template <typename Visit>
void Fields(AmplifierScaleTruths& s, Visit& v) {
  v("injection_farads", s.injection_farads);
  v("c_fast_tau_seconds", s.c_fast_tau_seconds);
  v("c_fast_factor", s.c_fast_factor);
  v("c_slow_factor", s.c_slow_factor);
  v("g_series_factor", s.g_series_factor);
  v("rs_factor", s.rs_factor);
  v("rs_fraction_factor", s.rs_fraction_factor);
  v("g_leak_factor", s.g_leak_factor);
  v("vp_offset_scale", s.vp_offset_scale);
  v("vp_offset_zero", s.vp_offset_zero);
  v("stim_scale_slope", s.stim_scale_slope);
  v("stim_scale_offset", s.stim_scale_offset);
  v("c_fast_step", s.c_fast_step);
  v("c_slow_step", s.c_slow_step);
  v("g_series_code_factor", s.g_series_code_factor);
  v("rs_code_factor", s.rs_code_factor);
  v("g_leak_code_factor", s.g_leak_code_factor);
}

template <typename Visit>
void Fields(AmplifierHFTruths& h, Visit& v) {
  v("on", h.on);
  v("pole_seconds", h.pole_seconds);
  v("derivative_seconds", h.derivative_seconds);
  v("fast_scale_seconds", h.fast_scale_seconds);
  v("slow_scale_seconds", h.slow_scale_seconds);
}

template <typename Visit>
void Fields(AmplifierAnalogTruths& a, Visit& v) {
  v("cell", a.cell);
  v("scale", a.scale);
  v("range_gain", a.range_gain);
  v("hf", a.hf);
  v("rs_rings", a.rs_rings);
  v("probe_offset_volts", a.probe_offset_volts);
  v("stimulus_gain", a.stimulus_gain);
  v("stimulus_offset_volts", a.stimulus_offset_volts);
  v("stimulus_filter_hz", a.stimulus_filter_hz);
  v("filter1_hz", a.filter1_hz);
  v("filter2_factors", a.filter2_factors);
  v("filter2_high_q", a.filter2_high_q);
  v("probe_offset_span_volts", a.probe_offset_span_volts);
  v("noise_amperes", a.noise_amperes);
  v("hum_amperes", a.hum_amperes);
  v("mux_offset_volts", a.mux_offset_volts);
  v("mux_noise_volts", a.mux_noise_volts);
  v("test_probe_gain", a.test_probe_gain);
  v("test_output_gain", a.test_output_gain);
  v("test_lag_seconds", a.test_lag_seconds);
  v("integrator_rate", a.integrator_rate);
  v("auto_zero_hz", a.auto_zero_hz);
  v("auto_zero_q", a.auto_zero_q);
  v("integrator_drive", a.integrator_drive);
  v("cc_amperes_per_volt", a.cc_amperes_per_volt);
  v("cc_offset_span_volts", a.cc_offset_span_volts);
  v("cc_input_farads", a.cc_input_farads);
  v("cc_input_ohms", a.cc_input_ohms);
  v("ref_trim_balance", a.ref_trim_balance);
  v("ref_trim_span", a.ref_trim_span);
  v("ref_untrimmed_gain", a.ref_untrimmed_gain);
}

template <typename Visit>
void Fields(SerialEEPROMFaults& f, Visit& v) {
  v("stuck_address", f.stuck_address);
  v("stuck_bit", f.stuck_bit);
  v("stuck_high", f.stuck_high);
  v("flip_probability", f.flip_probability);
  v("flip_seed", f.flip_seed);
  v("writes_lost", f.writes_lost);
  v("busy_seconds", f.busy_seconds);
  v("power_lost_mid_program", f.power_lost_mid_program);
}

template <typename Visit>
void Fields(MuxChannelFault& f, Visit& v) {
  v("gain", f.gain);
  v("offset_volts", f.offset_volts);
}

template <typename Visit>
void Fields(CurrentClampTruths& t, Visit& v) {
  v("feed_through", t.feed_through);
  v("tracking_gain", t.tracking_gain);
  v("tracking_tau", t.tracking_tau);
  v("step_gain", t.step_gain);
  v("step_tau", t.step_tau);
  v("scale_gains", t.scale_gains);
  v("fast_feed_through", t.fast_feed_through);
  v("fast_step_gain", t.fast_step_gain);
  v("fast_step_tau", t.fast_step_tau);
  v("fast_vmon_gain", t.fast_vmon_gain);
  v("fast_stimulus_gains", t.fast_stimulus_gains);
  v("old_step_gain", t.old_step_gain);
  v("old_vmon_gain", t.old_vmon_gain);
  v("old_vmon_current_gain", t.old_vmon_current_gain);
  v("old_tau", t.old_tau);
  v("old_stimulus_gains", t.old_stimulus_gains);
  v("old_offset_volts", t.old_offset_volts);
}

template <typename Visit>
void Fields(CurrentClampFaults& f, Visit& v) {
  v("gain", f.gain);
  v("step_tau", f.step_tau);
  v("tracking_tau", f.tracking_tau);
  v("old_tau", f.old_tau);
  v("external_cc_dead", f.external_cc_dead);
  v("fast_stimulus_dead", f.fast_stimulus_dead);
}

template <typename Visit>
void Fields(SampleHoldTruths& t, Visit& v) {
  v("droop", t.droop);
  v("feed_through", t.feed_through);
}

template <typename Visit>
void Fields(ConnectionFaults& f, Visit& v) {
  v("sample_hold_droop", f.sample_hold_droop);
  v("vmon_x100_dead", f.vmon_x100_dead);
}

template <typename Visit>
void Fields(AmplifierBoardConfig& b, Visit& v) {
  v("present", b.present);
  v("letter", b.letter);
  v("eeprom", b.eeprom);
  v("image", b.image);
  v("image_file", b.image_file);
  v("eeprom_faults", b.eeprom_faults);
  v("mux_gain", b.mux_gain);
  v("mux_channels", b.mux_channels);
  v("stuck_clipping", b.stuck_clipping);
  v("analog", b.analog);
  v("current_clamp", b.current_clamp);
  v("current_clamp_faults", b.current_clamp_faults);
  v("sample_hold", b.sample_hold);
  v("connection_faults", b.connection_faults);
  v("probes", b.probes);
}

template <typename Visit>
void Fields(ProbeSelectorConfig& s, Visit& v) {
  v("rack", s.rack);
  v("first_board", s.first_board);
  v("boards", s.boards);
  v("probes", s.probes);
  v("eeprom_text", s.eeprom_text);
  v("eeprom_faults", s.eeprom_faults);
}

template <typename Visit>
void Fields(PKBoardConfig& b, Visit& v) {
  v("present", b.present);
  v("powered_up_selected", b.powered_up_selected);
  v("eeprom", b.eeprom);
  v("image", b.image);
  v("image_file", b.image_file);
  v("version", b.version);
  v("eeprom_faults", b.eeprom_faults);
  v("booster_volts", b.booster_volts);
}

template <typename Visit>
void Fields(PotentiostatConfig& p, Visit& v) {
  v("pk510", p.pk510);
  v("pk512", p.pk512);
  v("disk_overload", p.disk_overload);
  v("ring_overload", p.ring_overload);
  v("manual_standby", p.manual_standby);
}

template <typename Visit>
void Fields(AmplifierRackConfig& r, Visit& v) {
  v("interface", r.interface);
  v("racks", r.racks);
  v("boards_per_rack", r.boards_per_rack);
  v("boards", r.boards);
  v("serial", r.serial);
  v("remap_ad_lines", r.remap_ad_lines);
  v("rack_interface", r.rack_interface);
  v("trigger_board", r.trigger_board);
  v("selectors", r.selectors);
  v("analog", r.analog);
  v("noise", r.noise);
  v("seed", r.seed);
  v("potentiostat", r.potentiostat);
}

// ---- Values -------------------------------------------------------------------

template <typename T>
bool ParseWhole(std::string_view text, T& value) {
  T parsed{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return false;
  value = parsed;
  return true;
}

bool Parse(std::string_view text, double& value) {
  const std::string copy(text);
  char* end = nullptr;
  const double parsed = std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size() || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}
bool Parse(std::string_view text, int& value) { return ParseWhole(text, value); }
bool Parse(std::string_view text, unsigned& value) { return ParseWhole(text, value); }
bool Parse(std::string_view text, bool& value) {
  if (text != "true" && text != "false") return false;
  value = text == "true";
  return true;
}
bool Parse(std::string_view text, char& value) {
  if (text.size() != 1) return false;
  value = text[0];
  return true;
}
bool Parse(std::string_view text, std::string& value) {
  value = text;
  return true;
}
bool Parse(std::string_view text, std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> parsed;
  std::string digits;
  for (const char c : text) {
    if (c != ' ') digits += c;
  }
  if (digits.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    unsigned byte = 0;
    const auto [end, error] = std::from_chars(digits.data() + i, digits.data() + i + 2, byte, 16);
    if (error != std::errc{} || end != digits.data() + i + 2) return false;
    parsed.push_back(static_cast<std::uint8_t>(byte));
  }
  bytes = std::move(parsed);
  return true;
}

template <typename Enum, std::size_t N>
bool ParseName(std::string_view text, Enum& value, const std::array<std::pair<const char*, Enum>, N>& names) {
  for (const auto& [name, e] : names) {
    if (text == name) {
      value = e;
      return true;
    }
  }
  return false;
}
bool Parse(std::string_view text, RackInterface& value) {
  static constexpr std::array<std::pair<const char*, RackInterface>, 4> kNames{{
      {"zrv24", RackInterface::kZRV24},
      {"zrv28", RackInterface::kZRV28},
      {"qrn2400", RackInterface::kQRN2400},
      {"qrn55", RackInterface::kQRN55},
  }};
  return ParseName(text, value, kNames);
}
bool Parse(std::string_view text, AmplifierEEPROMKind& value) {
  static constexpr std::array<std::pair<const char*, AmplifierEEPROMKind>, 3> kNames{{
      {"none", AmplifierEEPROMKind::kNone},
      {"small", AmplifierEEPROMKind::kSmall},
      {"page", AmplifierEEPROMKind::kPage},
  }};
  return ParseName(text, value, kNames);
}

// ---- Finding the field of a key -------------------------------------------

template <typename T>
struct IsList : std::false_type {};
template <typename E>
struct IsList<std::vector<E>> : std::bool_constant<!std::is_same_v<E, std::uint8_t>> {};

// Walks the fields of a record with the rest of the key; the field whose
// name the key starts with takes the value, or the rest of the key.
class KeySetter {
 public:
  KeySetter(std::string_view key, std::string_view value) : key_(key), value_(value) {}
  bool Found() const { return found_; }
  bool Taken() const { return taken_; }

  template <typename T>
  void operator()(std::string_view name, T& field) {
    if (found_ || !key_.starts_with(name)) return;
    if (key_.size() == name.size()) {
      found_ = true;
      taken_ = SetLeaf(field);
    } else if (key_[name.size()] == '.') {
      found_ = true;
      taken_ = SetWithin(key_.substr(name.size() + 1), field);
    }
  }

 private:
  template <typename T>
  bool SetLeaf(T& field) {
    if constexpr (requires { Parse(std::string_view{}, field); }) {
      return Parse(value_, field);
    } else {
      return false;  // a group of fields takes no single value
    }
  }

  // rest: "<index>" or "<index>.<key>" for arrays and lists, a key of the
  // record's fields otherwise.
  template <typename T>
  bool SetWithin(std::string_view rest, T& field) {
    if constexpr (requires(KeySetter& s) { Fields(field, s); }) {
      KeySetter inner(rest, value_);
      Fields(field, inner);
      return inner.Found() && inner.Taken();
    } else if constexpr (requires { field.size(); field[0]; }) {
      if constexpr (std::is_same_v<T, std::vector<std::uint8_t>> || std::is_same_v<T, std::string>) {
        return false;
      } else {
        const std::size_t dot = rest.find('.');
        std::size_t index = 0;
        if (!ParseWhole(rest.substr(0, dot), index) || index >= kLongestList) return false;
        if constexpr (IsList<T>::value) {
          if (index >= field.size()) field.resize(index + 1);
        }
        if (index >= field.size()) return false;
        if (dot == std::string_view::npos) return SetLeaf(field[index]);
        return SetWithin(rest.substr(dot + 1), field[index]);
      }
    } else {
      return false;
    }
  }

  // Lists are short; an index beyond this is a typing error, not a wish.
  static constexpr std::size_t kLongestList = 64;

  std::string_view key_;
  std::string_view value_;
  bool found_ = false;
  bool taken_ = false;
};

}  // namespace

bool SetRackKey(AmplifierRackConfig& config, std::string_view key, std::string_view value) {
  AmplifierRackConfig changed = config;
  KeySetter setter(key, value);
  Fields(changed, setter);
  if (!setter.Found() || !setter.Taken()) return false;
  config = std::move(changed);
  return true;
}
