-- kavo5000.lua — a Wireshark dissector for the dispenser line's captures that
-- `kavo5000 monitor --pcap` and `kavo5000 decode --trace FILE --pcap OUT`
-- write (link type USER0). Each record is a pseudo-header of four bytes
-- (version, direction, channel, line state) and then one command frame, one
-- reply or one run of stray bytes as they travelled. The dissector names the
-- command and the nozzle address (with its dispenser and nozzle by the
-- "nozzles per dispenser" preference), every field of the commands and
-- replies, flags spoiled checksums and complements, and pairs each reply
-- with the command it answers.

local kavo = Proto("kavo5000", "Kavo5000 dispenser line")

-- The line's bytes.
local FRAME_START = 0x7F      -- first byte of every command frame
local DATA_START = 0x02       -- first byte of a data reply
local END_BYTE = 0x03         -- frames and data replies end with it twice
local COMPLEMENT = 0x7F       -- a framed byte is followed by its XOR with this
local CHECKSUM_SEED = 0x03    -- the checksum starts from the end byte
local CHECKSUM_BIT = 0x40     -- always set in a checksum byte
local ACK, NAK, REFUSE = 0x06, 0x15, 0x18
local FIRST_GROUP = 0x02      -- group byte of nozzle addresses below 16
local ADDRESS_BASE = 0x20     -- address byte = this + position in the group
local GROUP_SIZE = 15         -- nozzles per further group
local GROUP_OFFSET = 6        -- group byte = (v - 1) div 15 + this
local TYPE_BASE = 0x40        -- '@': a type reply is this + the type
local PSEUDO_HEADER = 4

local COMMANDS = {
  ["1"] = "nozzle state", ["2"] = "start the pump", ["3"] = "stop the pump",
  ["4"] = "volume of the running delivery", ["5"] = "delivery counters",
  ["6"] = "total counters", ["7"] = "dispenser type", ["8"] = "close the transaction",
  ["N"] = "read a parameter", ["O"] = "write a parameter", ["Q"] = "set the unit price",
  ["S"] = "preset by money", ["T"] = "preset by volume", ["U"] = "prepare an extended start",
  ["V"] = "confirm an extended start",
  ["W"] = "common switch, to every controller (never answered)",
  ["]"] = "program a line address by identification number",
}
local CONTROL = { [ACK] = "accepted", [NAK] = "command not understood", [REFUSE] = "refused" }
local DIRECTIONS = { [0] = "not known", [1] = "host to controllers", [2] = "controllers to host" }
local STATES = {
  ["0"] = "idle", ["1"] = "nozzle lifted, not authorised",
  ["2"] = "authorised, waiting for the nozzle", ["3"] = "stopped",
}
-- Delivery counters ('5') by dispenser type: volume digits, middle column, money digits.
local LAYOUTS = {
  [0] = {0, 0, 0}, {6, 4, 6}, {6, 6, 8}, {6, 4, 6}, {6, 4, 6}, {6, 4, 6}, {6, 6, 8}, {6, 6, 8},
  {5, 4, 7},
}
local COUNTER_EXTRA = 6       -- '5': middle + money + this digits in all
local TOTAL_VOLUME, TOTAL_MONEY = 12, 11
local DEFAULT_TYPE = 1

local f = kavo.fields
f.version = ProtoField.uint8("kavo5000.version", "Pseudo-header version")
f.direction = ProtoField.uint8("kavo5000.direction", "Direction", base.DEC, DIRECTIONS)
f.channel = ProtoField.uint8("kavo5000.channel", "Channel")
f.line_state = ProtoField.uint8("kavo5000.line_state", "Line state")
f.kind = ProtoField.string("kavo5000.kind", "Kind")
f.group = ProtoField.uint8("kavo5000.group", "Group byte", base.HEX)
f.address_byte = ProtoField.uint8("kavo5000.address_byte", "Address byte", base.HEX)
f.nozzle = ProtoField.uint16("kavo5000.nozzle", "Nozzle address")
f.dispenser = ProtoField.uint16("kavo5000.dispenser", "Dispenser")
f.dispenser_nozzle = ProtoField.uint8("kavo5000.dispenser_nozzle", "Nozzle of the dispenser")
f.command = ProtoField.string("kavo5000.command", "Command")
f.command_name = ProtoField.string("kavo5000.command_name", "Command name")
f.digits = ProtoField.string("kavo5000.digits", "Digits")
f.amount = ProtoField.string("kavo5000.amount", "Amount")
f.param_index = ProtoField.uint8("kavo5000.param_index", "Parameter index")
f.value_digits = ProtoField.string("kavo5000.value_digits", "Value digits")
f.switch_code = ProtoField.uint8("kavo5000.switch_code", "Switch code")
f.switch_value = ProtoField.uint8("kavo5000.switch_value", "Switch value")
f.identification = ProtoField.string("kavo5000.identification", "Identification number")
f.new_address = ProtoField.string("kavo5000.new_address", "New address")
f.arguments = ProtoField.bytes("kavo5000.arguments", "Arguments", base.SPACE)
f.checksum = ProtoField.uint8("kavo5000.checksum", "Checksum", base.HEX)
f.checksum_status = ProtoField.string("kavo5000.checksum_status", "Checksum status")
f.control = ProtoField.uint8("kavo5000.control", "Control reply", base.HEX, CONTROL)
f.data = ProtoField.string("kavo5000.data", "Data bytes")
f.data_text = ProtoField.string("kavo5000.data_text", "Data as text")
f.state_r1 = ProtoField.string("kavo5000.state_r1", "State r1")
f.state_r2 = ProtoField.string("kavo5000.state_r2", "State r2")
f.state = ProtoField.string("kavo5000.state", "State")
f.volume = ProtoField.string("kavo5000.volume", "Volume, litres")
f.money = ProtoField.string("kavo5000.money", "Money")
f.volume_total = ProtoField.string("kavo5000.volume_total", "Volume total, litres")
f.money_total = ProtoField.string("kavo5000.money_total", "Money total")
f.type = ProtoField.uint8("kavo5000.type", "Dispenser type")
f.param_value = ProtoField.string("kavo5000.param_value", "Parameter value")
f.response_to = ProtoField.framenum("kavo5000.response_to", "Answers the command in frame")
f.response_in = ProtoField.framenum("kavo5000.response_in", "Answered in frame")
f.delay = ProtoField.double("kavo5000.delay", "Reply delay, ms")

local e_checksum = ProtoExpert.new("kavo5000.checksum.bad", "Bad checksum",
                                   expert.group.CHECKSUM, expert.severity.ERROR)
local e_unsound = ProtoExpert.new("kavo5000.unsound", "Not sound (a complement, or no end)",
                                  expert.group.MALFORMED, expert.severity.ERROR)
local e_stray = ProtoExpert.new("kavo5000.stray", "Stray bytes, neither frame nor reply",
                                expert.group.MALFORMED, expert.severity.WARN)
local e_nobody = ProtoExpert.new("kavo5000.reply_to_nobody", "Reply with no command waiting",
                                 expert.group.SEQUENCE, expert.severity.WARN)
local e_unanswered = ProtoExpert.new("kavo5000.unanswered", "Command nobody answered",
                                     expert.group.SEQUENCE, expert.severity.WARN)
kavo.experts = { e_checksum, e_unsound, e_stray, e_nobody, e_unanswered }

kavo.prefs.nozzles = Pref.uint("Nozzles per dispenser", 4,
                               "How many nozzle addresses each dispenser takes (the driver's configuration byte)")

-- Pairing, made on the first pass in frame order and read on every later one.
local pairs_of = {}   -- frame number -> { answers = n, answered_in = n, delay = ms, command = {...} }
local waiting = nil   -- the command frame that awaits its reply: { number, time, command }
local last_type = {}  -- nozzle address -> the dispenser type last read

function kavo.init()
  pairs_of, waiting, last_type = {}, nil, {}
end

local function linear_of(group, address)
  local position = address - ADDRESS_BASE
  if group == FIRST_GROUP then
    if position >= 1 and position < 16 then return position end
    return nil
  end
  if group <= GROUP_OFFSET or position < 0 or position >= GROUP_SIZE then return nil end
  local index = group - GROUP_OFFSET
  if position == 0 then return (index + 1) * GROUP_SIZE end
  local v = index * GROUP_SIZE + position
  if v < 16 then return nil end
  return v
end

local function checksum_of(bytes, from)
  local sum = CHECKSUM_SEED
  for i = from, #bytes do sum = bit.bxor(sum, bytes[i]) end
  return bit.bor(sum, CHECKSUM_BIT)
end

local function amount(text)
  local n = tonumber(text)
  if not n or not text:match("^%d+$") then return nil end
  return string.format("%d.%02d", math.floor(n / 100), n % 100)
end

local function chars(bytes, from, to)
  local out = {}
  for i = from, to do out[#out + 1] = string.char(bytes[i]) end
  return table.concat(out)
end

-- The pairs after the first byte(s): values, where each sits, and how it ends.
-- Returns the values, their offsets, the offset of the end bytes (or nil) and
-- whether every complement was right.
local function unpair(buf, first)
  local values, offsets = {}, {}
  local pos = first
  while pos + 1 < buf:len() do
    local b, c = buf(pos, 1):uint(), buf(pos + 1, 1):uint()
    if b == END_BYTE and c == END_BYTE then return values, offsets, pos, true end
    if bit.bxor(b, c) ~= COMPLEMENT then return values, offsets, nil, false end
    values[#values + 1] = b
    offsets[#offsets + 1] = pos
    pos = pos + 2
  end
  return values, offsets, nil, true
end

local function add_checksum(tree, buf, pinfo, at, want)
  if at >= buf:len() then
    tree:add_proto_expert_info(e_unsound, "No checksum: the bytes stop after the end bytes")
    return
  end
  local item = tree:add(f.checksum, buf(at, 1))
  local good = buf(at, 1):uint() == want
  tree:add(f.checksum_status, buf(at, 1), good and "good" or "bad")
  if not good then
    item:add_proto_expert_info(e_checksum, string.format("Bad checksum (should be %02X)", want))
  end
end

local function frame_fields(buf, pinfo, tree, rec)
  tree:add(f.kind, buf(0, 1), "command frame")
  if buf:len() < 2 then
    tree:add_proto_expert_info(e_unsound, "Not sound: no group byte")
    return "command frame, not sound"
  end
  local c = { buf(1, 1):uint() }
  local at = { 1 }
  local values, offsets, tail, sound = unpair(buf, 2)
  for i = 1, #values do c[#c + 1] = values[i]; at[#at + 1] = offsets[i] end
  local summary
  if #c >= 2 and c[1] == FIRST_GROUP and (c[2] == 0x57 or c[2] == 0x5D) then
    local ch = string.char(c[2])
    tree:add(f.command, buf(at[2], 1), ch)
    tree:add(f.command_name, buf(at[2], 1), COMMANDS[ch])
    rec.command = ch
    summary = "'" .. ch .. "' " .. COMMANDS[ch]
    if ch == "W" and #c == 4 then
      tree:add(f.switch_code, buf(at[3], 1), c[3] - 0x30)
      tree:add(f.switch_value, buf(at[4], 1), c[4] - 0x30)
    elseif ch == "]" and (#c == 10 or #c == 15) then
      local id = chars(c, 3, 7) .. (#c == 15 and chars(c, 11, 15) or "")
      tree:add(f.identification, buf(at[3], at[#c] - at[3] + 1), id)
      tree:add(f.new_address, buf(at[8], at[10] - at[8] + 1), chars(c, 8, 10))
    end
  elseif #c >= 2 then
    tree:add(f.group, buf(at[1], 1))
    tree:add(f.address_byte, buf(at[2], 1))
    local v = linear_of(c[1], c[2])
    if v then
      tree:add(f.nozzle, buf(at[1], at[2] - at[1] + 1), v)
      local n = kavo.prefs.nozzles
      if n > 0 then
        tree:add(f.dispenser, buf(at[1], at[2] - at[1] + 1), math.floor((v - 1) / n) + 1)
        tree:add(f.dispenser_nozzle, buf(at[1], at[2] - at[1] + 1), (v - 1) % n + 1)
      end
      rec.nozzle = v
    end
    summary = v and ("nozzle address " .. v) or "no nozzle address"
    if #c >= 3 then
      local ch = string.char(c[3])
      tree:add(f.command, buf(at[3], 1), ch)
      tree:add(f.command_name, buf(at[3], 1), COMMANDS[ch] or "unknown")
      rec.command, rec.args = ch, { table.unpack(c, 4) }
      summary = summary .. " '" .. ch .. "' " .. (COMMANDS[ch] or "unknown")
      local nargs = #c - 3
      if nargs > 0 then
        local range = buf(at[4], at[#c] - at[4] + 1)
        if ch == "Q" or ch == "S" or ch == "T" then
          local digits = chars(c, 4, #c)
          tree:add(f.digits, range, digits)
          local a = amount(digits)
          if a then tree:add(f.amount, range, a); summary = summary .. " " .. a end
        elseif ch == "N" or ch == "O" then
          tree:add(f.param_index, buf(at[4], 1), c[4] - 0x30)
          if nargs > 1 then tree:add(f.value_digits, range, chars(c, 5, #c)) end
        else
          tree:add(f.arguments, range)
        end
      end
    end
  end
  if not sound or not tail then
    tree:add_proto_expert_info(e_unsound, sound and "Not sound: no end bytes and checksum"
                                                or "Not sound: a complement is wrong")
    return (summary or "command frame") .. " [not sound]"
  end
  add_checksum(tree, buf, pinfo, tail + 2, checksum_of(c, 2))
  rec.sound = tail + 2 < buf:len() and buf(tail + 2, 1):uint() == checksum_of(c, 2)
  return summary
end

local function digits_at(data, from, width)
  if from + width - 1 > #data then return nil end
  local text = chars(data, from, from + width - 1)
  if not text:match("^%d+$") then return nil end
  return text
end

-- What a data reply says as the answer to its command.
local function meaning(buf, tree, data, range, command, nozzle)
  if not command then return "" end
  local ch = command.command
  if ch == "1" and #data >= 1 then
    local r1 = string.char(data[1])
    tree:add(f.state_r1, range, r1)
    local words
    if #data >= 2 then
      local r2 = string.char(data[2])
      tree:add(f.state_r2, range, r2)
      if r1 >= "4" and r1 <= "6" then
        words = r2 == "0" and "delivering, fuel flowing" or r2 == "1" and "delivery finished"
                or "a delivery, unknown second byte"
      else
        words = STATES[r1] and (STATES[r1] .. (r2 ~= "0" and " (unknown second byte)" or ""))
                or "unknown state"
      end
    else
      words = (r1 >= "4" and r1 <= "6") and "a delivery, running or ended" or STATES[r1] or "unknown state"
    end
    tree:add(f.state, range, words)
    return words
  elseif ch == "4" and #data >= 1 then
    tree:add(f.state_r1, range, string.char(data[1]))
    local v = digits_at(data, 2, 5)
    if v then tree:add(f.volume, range, amount(v)); return amount(v) .. " l" end
  elseif ch == "5" then
    local t = last_type[nozzle]
    local layout = t and LAYOUTS[t]
    if not layout or layout[2] + layout[3] + COUNTER_EXTRA ~= #data then
      layout = nil
      for k = 0, 8 do
        local l = LAYOUTS[k]
        if l[2] + l[3] + COUNTER_EXTRA == #data then
          layout = (LAYOUTS[DEFAULT_TYPE][2] + LAYOUTS[DEFAULT_TYPE][3] + COUNTER_EXTRA == #data)
                   and LAYOUTS[DEFAULT_TYPE] or l
          break
        end
      end
    end
    if layout and layout[1] > 0 then
      local v, m = digits_at(data, 1, layout[1]), digits_at(data, layout[1] + 1, layout[3])
      if v and m then
        tree:add(f.volume, range, amount(v))
        tree:add(f.money, range, amount(m))
        return amount(v) .. " l, " .. amount(m)
      end
    end
  elseif ch == "6" and (not command.args or #command.args == 0) then
    local v, m = digits_at(data, 1, TOTAL_VOLUME), digits_at(data, TOTAL_VOLUME + 1, TOTAL_MONEY)
    if v and m then
      tree:add(f.volume_total, range, amount(v))
      tree:add(f.money_total, range, amount(m))
      return "totals " .. amount(v) .. " l, " .. amount(m)
    end
  elseif ch == "7" and #data == 1 and data[1] >= TYPE_BASE and data[1] - TYPE_BASE <= 8 then
    tree:add(f.type, range, data[1] - TYPE_BASE)
    return "type " .. (data[1] - TYPE_BASE)
  elseif ch == "N" and #data >= 2 then
    local v = digits_at(data, 2, #data - 1)
    if v then
      tree:add(f.param_value, range, tostring(tonumber(v)))
      return "parameter " .. (command.args[1] - 0x30) .. " = " .. tonumber(v)
    end
  end
  return ""
end

local function reply_fields(buf, pinfo, tree, command, nozzle)
  local first = buf(0, 1):uint()
  if CONTROL[first] then
    tree:add(f.kind, buf(0, 1), "control reply")
    tree:add(f.control, buf(0, 1))
    return string.format("control %02X %s", first, CONTROL[first])
  end
  tree:add(f.kind, buf(0, 1), "data reply")
  local data, offsets, tail, sound = unpair(buf, 1)
  local range = #offsets > 0 and buf(offsets[1], offsets[#offsets] - offsets[1] + 2) or buf(0, 1)
  if #data > 0 then
    local hex, text = {}, {}
    for i = 1, #data do
      hex[i] = string.format("%02X", data[i])
      text[i] = (data[i] >= 0x20 and data[i] <= 0x7E) and string.char(data[i]) or "."
    end
    tree:add(f.data, range, table.concat(hex, " "))
    tree:add(f.data_text, range, table.concat(text))
  end
  if not sound or not tail then
    tree:add_proto_expert_info(e_unsound, sound and "Not sound: no end bytes and checksum"
                                                or "Not sound: a complement is wrong")
    return "data reply [not sound]"
  end
  add_checksum(tree, buf, pinfo, tail + 2, checksum_of(data, 1))
  local good = tail + 2 < buf:len() and buf(tail + 2, 1):uint() == checksum_of(data, 1)
  if not good then return "data reply [bad checksum]" end
  local said = meaning(buf, tree, data, range, command, nozzle)
  if command and command.command == "7" and #data == 1 and nozzle then
    last_type[nozzle] = data[1] - TYPE_BASE
  end
  return "data reply " .. said
end

function kavo.dissector(tvb, pinfo, root)
  if tvb:len() < PSEUDO_HEADER then return 0 end
  pinfo.cols.protocol = "KAVO5000"
  local tree = root:add(kavo, tvb())
  tree:add(f.version, tvb(0, 1))
  tree:add(f.direction, tvb(1, 1))
  tree:add(f.channel, tvb(2, 1))
  tree:add(f.line_state, tvb(3, 1))
  local buf = tvb(PSEUDO_HEADER):tvb()
  local number = pinfo.number
  local first = buf:len() > 0 and buf(0, 1):uint() or nil
  local is_frame = first == FRAME_START
  local is_reply = first == DATA_START or (first and CONTROL[first])

  local p = pairs_of[number]
  if not pinfo.visited or not p then
    p = { command = {} }
    pairs_of[number] = p
  end

  local info
  if is_frame then
    info = frame_fields(buf, pinfo, tree, p.command)
    if not pinfo.visited then
      if waiting and not pairs_of[waiting.number].answered_in then
        pairs_of[waiting.number].unanswered = true
      end
      -- 'W' is never answered, and a controller ignores a frame it cannot trust.
      local c = p.command
      waiting = nil
      if c.sound and (c.nozzle or c.command == "]") then
        waiting = { number = number, time = pinfo.abs_ts }
      end
    end
    if p.answered_in then tree:add(f.response_in, p.answered_in) end
    if p.unanswered then tree:add_proto_expert_info(e_unanswered) end
  elseif is_reply then
    if not pinfo.visited then
      if waiting and not pairs_of[waiting.number].answered_in then
        pairs_of[waiting.number].answered_in = number
        p.answers = waiting.number
        p.delay = (pinfo.abs_ts - waiting.time) * 1000
      else
        p.nobody = true
      end
    end
    local command = p.answers and pairs_of[p.answers].command
    info = reply_fields(buf, pinfo, tree, command, command and command.nozzle)
    if p.answers then
      tree:add(f.response_to, p.answers)
      tree:add(f.delay, p.delay)
    elseif p.nobody then
      tree:add_proto_expert_info(e_nobody)
    end
  else
    tree:add(f.kind, buf(), "stray bytes")
    tree:add_proto_expert_info(e_stray)
    info = "stray bytes"
  end
  pinfo.cols.info = (DIRECTIONS[tvb(1, 1):uint()] or "") .. ": " .. (info or "")
  return tvb:len()
end

DissectorTable.get("wtap_encap"):add(wtap.USER0, kavo)
