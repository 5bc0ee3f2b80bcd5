-- Loads a Fusion tool-settings text the way Fusion does (as a Lua table) and
-- prints what it holds, one line per fact, so tests can compare summaries.
-- Usage: lua5.4 fusion_harness.lua FILE
-- Exit status 1 with a message on stderr when the text does not load or is
-- not well-formed settings.

local function tagged(kind)
  return function(t)
    if type(t) ~= "table" then error(kind .. " expects a table") end
    t.__kind = kind
    return t
  end
end

local env = {
  ordered = function() return tagged("ordered") end,
  BSplineMask = tagged("BSplineMask"),
  Input = tagged("Input"),
  FuID = tagged("FuID"),
  BSplinePolyline = tagged("BSplinePolyline"),
  OperatorInfo = tagged("OperatorInfo"),
  BezierSpline = tagged("BezierSpline"),
  Polyline = tagged("Polyline"),
}

local function fail(message)
  io.stderr:write("fusion_harness: " .. message .. "\n")
  os.exit(1)
end

local path = arg[1] or fail("no file given")
local file = io.open(path, "rb") or fail("cannot open " .. path)
local text = file:read("a")
file:close()

local chunk, err = load("return " .. text, "=settings", "t", env)
if not chunk then fail("does not load: " .. err) end
local ok, settings = pcall(chunk)
if not ok then fail("does not run: " .. tostring(settings)) end
if type(settings) ~= "table" or type(settings.Tools) ~= "table" then fail("no Tools table") end
if settings.ActiveTool ~= "BSpline1" then fail("ActiveTool is not BSpline1") end

local function fmt(x)
  if x ~= x then return "nan" end
  if x == math.huge then return "inf" end
  if x == -math.huge then return "-inf" end
  return string.format("%.6f", x)
end

local names = {}
for name in pairs(settings.Tools) do
  if name ~= "__kind" then names[#names + 1] = name end
end
table.sort(names)

local masks = 0
for _, name in ipairs(names) do
  local tool = settings.Tools[name]
  if tool.__kind == "BSplineMask" then
    masks = masks + 1
    local inputs = tool.Inputs or fail(name .. " has no Inputs")
    local source = inputs.Polyline and inputs.Polyline.SourceOp or fail(name .. " has no source")
    local spline = settings.Tools[source] or fail(name .. " feeds from missing " .. source)
    if spline.__kind ~= "BezierSpline" then fail(source .. " is not a BezierSpline") end
    print(string.format("mask %s %dx%d pos %d", name, inputs.MaskWidth.Value,
      inputs.MaskHeight.Value, tool.ViewInfo.Pos[2]))
    local frames = {}
    for frame, key in pairs(spline.KeyFrames or fail(source .. " has no KeyFrames")) do
      frames[#frames + 1] = { frame = frame, key = key }
    end
    table.sort(frames, function(a, b) return a.key[1] < b.key[1] end)
    print(string.format("spline %s keyframes %d", source, #frames))
    for _, entry in ipairs(frames) do
      local value = entry.key.Value
      if type(value) ~= "table" or value.__kind ~= "Polyline" then fail("keyframe without Polyline") end
      local points = value.Points or fail("keyframe without Points")
      print(string.format("keyframe %s frame %d index %d points %d", source, entry.frame,
        entry.key[1], #points))
      for k, p in ipairs(points) do
        for _, field in ipairs({ "X", "Y", "LX", "LY", "RX", "RY" }) do
          if type(p[field]) ~= "number" then fail("point " .. k .. " lacks " .. field) end
        end
        print(string.format("point %s %d %d %s %s %s %s %s %s", source, entry.key[1], k - 1,
          fmt(p.X), fmt(p.Y), fmt(p.LX), fmt(p.LY), fmt(p.RX), fmt(p.RY)))
      end
    end
  elseif tool.__kind ~= "BezierSpline" then
    fail(name .. " is neither a mask nor a spline")
  end
end
print(string.format("masks %d", masks))
