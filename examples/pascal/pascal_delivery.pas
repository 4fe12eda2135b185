{ pascal_delivery.pas — a station program in Object Pascal (Free Pascal): one
  delivery on the built-in simulator (or the port given) through the C
  interface, a refused value caught as a status, and the delivery's counters
  and the nozzle's totals printed.
    pascal_delivery [PORT [MODULE]]    PORT: sim (the default), tcp://HOST:PORT … }
program pascal_delivery;

{$mode objfpc}{$H+}

uses
  SysUtils;

const
{$ifdef windows}
  KavoLib = 'Kavo5000C.dll';
{$else}
  KavoLib = 'kavo5000c';
{$endif}
  KAVO5000_OK = 0;
  KAVO5000_REFUSED = 1;
  KAVO5000_LINE_VALID = $01;
  KAVO5000_STATE_FINISHED = $D8;
  KAVO5000_STATE_IDLE = $C0;
  KAVO5000_STATE_LIFTED = $E0;
  KAVO5000_STATE_CLASS_MASK = $F8;
  Channel = 1;
  Dispenser = 1;
  Nozzle = 1;
  Price = 52.40;
  Preset = 1.00;
  TooDear = 1000.00; { the price field holds 99.99 at most }
  MostPolls = 150;

type
  TKavoChannel = record
    Channel: Byte;
    Port: PAnsiChar;
    Callbacks: Pointer; { nil: the port spec names the port }
    Context: Pointer;
  end;
  TKavoState = record
    Summary: Byte;
    SummaryNozzle: Byte;
    Nozzle: array[0..5] of Word;
  end;
  PKavoDriver = Pointer;

{$ifdef windows}{$calling stdcall}{$else}{$calling cdecl}{$endif}
function kavo5000_last_error: PAnsiChar; external KavoLib;
function kavo5000_open(modulePath: PAnsiChar; config: LongWord; constref channels: TKavoChannel;
  count: LongInt; window: PtrUInt; out driver: PKavoDriver): LongInt; external KavoLib;
function kavo5000_close(driver: PKavoDriver): LongInt; external KavoLib;
function kavo5000_get_channel_status(driver: PKavoDriver; ch: Byte; out status: Byte): LongInt;
  external KavoLib;
function kavo5000_set_price(driver: PKavoDriver; ch, disp, noz: LongInt; value: Double): LongInt;
  external KavoLib;
function kavo5000_preset_volume(driver: PKavoDriver; ch, disp, noz: LongInt;
  litres: Double): LongInt; external KavoLib;
function kavo5000_start(driver: PKavoDriver; ch, disp, noz: LongInt): LongInt; external KavoLib;
function kavo5000_get_state(driver: PKavoDriver; ch, disp, nozzles: Byte;
  out state: TKavoState): LongInt; external KavoLib;
function kavo5000_get_delivery_counters(driver: PKavoDriver; ch, disp: LongInt;
  out litres, money: Double): LongInt; external KavoLib;
function kavo5000_get_total_counters(driver: PKavoDriver; ch, disp, noz: LongInt;
  out volume, money: Double): LongInt; external KavoLib;
{$calling default}

var
  Driver: PKavoDriver;

{ Says why a call failed and ends the program. }
procedure Check(Status: LongInt; const What: string);
begin
  if Status = KAVO5000_OK then Exit;
  WriteLn(StdErr, 'pascal_delivery: ', What, ': ', kavo5000_last_error, ' (status ', Status, ')');
  Halt(1);
end;

{ The channel status the driver left, checked to be a valid reply. }
procedure Expect(const What: string);
var
  Status: Byte;
begin
  Check(kavo5000_get_channel_status(Driver, Channel, Status), What);
  if Status <> KAVO5000_LINE_VALID then
  begin
    WriteLn(StdErr, 'pascal_delivery: ', What, ': channel status $', IntToHex(Status, 2));
    Halt(1);
  end;
end;

var
  Line: TKavoChannel;
  Module: PAnsiChar;
  State: TKavoState;
  Refused, Polls, Cls: LongInt;
  Finished, Closed: Boolean;
  Litres, Money, Volume, Total: Double;
begin
  Line.Channel := Channel;
  Line.Callbacks := nil;
  Line.Context := nil;
  if ParamCount >= 1 then Line.Port := PAnsiChar(AnsiString(ParamStr(1))) else Line.Port := 'sim';
  if ParamCount >= 2 then Module := PAnsiChar(AnsiString(ParamStr(2))) else Module := nil;
  Check(kavo5000_open(Module, 0, Line, 1, 0, Driver), 'open');
  WriteLn('driver open on ', Line.Port);

  Refused := kavo5000_set_price(Driver, Channel, Dispenser, Nozzle, TooDear);
  if Refused <> KAVO5000_REFUSED then Halt(1);
  WriteLn('price ', TooDear:0:2, ': status ', Refused, ', refused before sending: ',
    kavo5000_last_error);

  Check(kavo5000_set_price(Driver, Channel, Dispenser, Nozzle, Price), 'price');
  Expect('price');
  Check(kavo5000_preset_volume(Driver, Channel, Dispenser, Nozzle, Preset), 'preset');
  Expect('preset');
  Check(kavo5000_start(Driver, Channel, Dispenser, Nozzle), 'start');
  Expect('start');
  WriteLn('price ', Price:0:2, ', preset ', Preset:0:2, ' l, started');

  { The driver closes the delivery itself: the nozzle's class goes to
    "finished", then back to idle or lifted once the close went through. }
  Finished := False;
  Closed := False;
  Polls := 0;
  while (Polls < MostPolls) and not Closed do
  begin
    Sleep(200);
    Check(kavo5000_get_state(Driver, Channel, Dispenser, 1, State), 'state');
    Expect('state');
    Cls := State.Nozzle[0] and KAVO5000_STATE_CLASS_MASK;
    if Cls = KAVO5000_STATE_FINISHED then Finished := True;
    Closed := Finished and ((Cls = KAVO5000_STATE_IDLE) or (Cls = KAVO5000_STATE_LIFTED));
    Inc(Polls);
  end;
  if not Closed then
  begin
    WriteLn(StdErr, 'pascal_delivery: the delivery did not end');
    Halt(1);
  end;
  Check(kavo5000_get_delivery_counters(Driver, Channel, Dispenser, Litres, Money),
    'delivery counters');
  Expect('delivery counters');
  WriteLn('delivery counters: ', Litres:0:2, ' l, ', Money:0:2);
  Check(kavo5000_get_total_counters(Driver, Channel, Dispenser, Nozzle, Volume, Total),
    'total counters');
  Expect('total counters');
  WriteLn('totals of nozzle ', Nozzle, ': ', Volume:0:2, ' l, ', Total:0:2);
  Check(kavo5000_close(Driver), 'close');
end.
