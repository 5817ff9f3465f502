-- A headless Ardour session plays Fluvia: a MIDI track with the plug-in module as its
-- instrument, a region holding one note, and an export of the session's first four seconds.
-- Driven by ardour_session.cmake through the environment, in two runs (Ardour may crash while
-- shutting down; what each run leaves behind is what counts):
--   FLUVIA_STEP     "create": make and save the session; "export": load it and export
--   FLUVIA_SESSION  the session's folder
--   FLUVIA_EXPORT   folder the WAV file "water.wav" is written to
--   FLUVIA_PLUGIN_TYPE  Ardour's name of the plug-in format: LXVST (the default) or LV2
local step = assert(os.getenv("FLUVIA_STEP"), "FLUVIA_STEP is not set")
local folder = assert(os.getenv("FLUVIA_SESSION"), "FLUVIA_SESSION is not set")
local exportFolder = assert(os.getenv("FLUVIA_EXPORT"), "FLUVIA_EXPORT is not set")
local name = "water"
local rate = 48000
assert(AudioEngine:set_backend("None (Dummy)", "", ""), "no dummy backend")

if step == "export" then
  local s = assert(load_session(folder, name), "cannot load the session")
  local track = s:route_by_name("Water")
  assert(track:to_track():playlist():n_regions() == 1, "the note's region did not load")
  local export = s:simple_export()
  export:set_name("water")
  export:set_folder(exportFolder)
  export:set_range(0, 4 * rate)
  assert(export:set_preset("75969a1c-3133-4694-864b-a1fa50e43348"), "no WAV export preset")
  assert(export:run_export(), "the export failed")
  close_session()
  return
end

local s = assert(create_session(folder, name, rate), "cannot create the session")
local kind = os.getenv("FLUVIA_PLUGIN_TYPE") or "LXVST"
local info = ARDOUR.LuaAPI.new_plugin_info("Fluvia", ARDOUR.PluginType[kind])
assert(not info:isnil(), "Ardour does not know the Fluvia " .. kind .. " module")
local tracks = s:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1),
  ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2), true, info, nil, nil, 1, "Water",
  ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true, false)
assert(tracks:size() == 1, "no MIDI track")
local plugin = tracks:front():nth_plugin(0)
assert(not plugin:isnil() and plugin:display_name() == "Fluvia", "the track has no Fluvia")
-- A background thread connects new tracks to the master bus; a session saved before then
-- would export silence.
local output = tracks:front():output()
local function connected()
  return output:audio(0):connected() and output:audio(1):connected()
end
for _ = 1, 100 do
  if connected() then break end
  ARDOUR.LuaAPI.usleep(50000)
end
assert(connected(), "the track's outputs were never connected")
s:save_state("", false, false, false, false, false)

-- Headless Lua offers no way to make a MIDI region, so the note goes in as a MIDI file and a
-- region in the saved session: one note (middle C, velocity 110) from beat 1 to beat 7, half a
-- second to three and a half at the session's default 120 beats per minute, in a format-0
-- file at 1920 ticks per beat. (Ardour deactivates and reactivates plug-ins as an export
-- starts, which ends any note already sounding; a note at the very start could fall before.)
local function be32(n) return string.char((n >> 24) & 255, (n >> 16) & 255, (n >> 8) & 255, n & 255) end
local function delta(ticks) return string.char(0x80 | ((ticks >> 7) & 0x7f), ticks & 0x7f) end
local events = delta(1920) .. "\x90\x3c\x6e" .. delta(6 * 1920) .. "\x80\x3c\0" ..
  "\0\xff\x2f\0"
local smf = "MThd" .. be32(6) .. "\0\0\0\1\x07\x80" .. "MTrk" .. be32(#events) .. events
local midiFolder = folder .. "/interchange/" .. folder:match("([^/]+)/*$") .. "/midifiles"
local f = assert(io.open(midiFolder .. "/note.mid", "wb"))
f:write(smf)
f:close()

local path = folder .. "/" .. name .. ".ardour"
f = assert(io.open(path, "r"))
local xml = f:read("a")
f:close()
local n
xml, n = xml:gsub("<Sources/>",
  '<Sources>\n    <Source name="note.mid" type="midi" flags="" id="90001" origin=""/>\n  </Sources>', 1)
assert(n == 1, "unexpected session file: no empty source list")
local length = 4 * 282240000  -- four seconds in the session's superclock ticks
local region = '<Region name="note" muted="0" opaque="1" locked="0" video-locked="0"' ..
  ' automatic="0" whole-file="0" import="0" external="0" sync-marked="0" left-of-split="0"' ..
  ' right-of-split="0" hidden="0" position-locked="0" valid-transients="0" start="a0"' ..
  ' length="a' .. length .. '@a0" position="a0" sync-position="a0" ancestral-start="a0"' ..
  ' ancestral-length="a0@a0" stretch="1" shift="1" layering-index="0" tags="" contents="1"' ..
  ' id="90002" type="midi" first-edit="nothing" source-0="90001" master-source-0="90001"/>'
xml, n = xml:gsub('(<Playlist [^>]-name="Water" type="midi"[^>]-)/>',
  '%1>\n      ' .. region .. '\n    </Playlist>', 1)
assert(n == 1, "unexpected session file: no empty playlist for the track")
f = assert(io.open(path, "w"))
f:write(xml)
f:close()

local done = assert(io.open(folder .. "/created", "w"))
done:close()
close_session()
