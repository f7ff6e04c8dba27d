"""A small writer of AS2 test movies: an uncompressed SWF of one frame with one DoAction tag.

The actions are AVM1 byte code, built with the Actions class below; only what the test movies
need is there (push, variables and members, calls, functions, string building, branches).

    a = Actions()
    a.set_var("r", lambda: a.ei_call("loadfile", "a.txt"))
    a.fscommand("audio", "clip/a.mp3")
    open("main.swf", "wb").write(movie(a))

Values given to the helpers are pushed as constants; a callable stands for code that leaves one
value on the stack (so helpers can be nested).
"""

import struct

# Action codes (AVM1). Codes from 0x80 on carry a 16-bit length and a payload.
STOP = 0x07
POP = 0x17
NOT = 0x12
GET_VARIABLE = 0x1C
SET_VARIABLE = 0x1D
TRACE = 0x26
GET_TIME = 0x34
DEFINE_LOCAL = 0x3C
CALL_FUNCTION = 0x3D
RETURN = 0x3E
NEW_OBJECT = 0x40
TYPE_OF = 0x44
ADD2 = 0x47
LESS2 = 0x48
EQUALS2 = 0x49
GET_MEMBER = 0x4E
SET_MEMBER = 0x4F
INCREMENT = 0x50
CALL_METHOD = 0x52
SUBTRACT = 0x0B
GET_URL = 0x83
PUSH = 0x96
JUMP = 0x99
GET_URL2 = 0x9A
DEFINE_FUNCTION = 0x9B
IF = 0x9D


class Undefined:
    """Pushed as AVM1 undefined."""


UNDEFINED = Undefined()


def _cstring(text):
    return text.encode("utf-8") + b"\0"


class Actions:
    def __init__(self):
        self.code = bytearray()
        self._labels = {}
        self._fixups = []  # (position of the 16-bit offset, label)

    # ---------------------------------------------------------------- raw actions
    def op(self, code, payload=b""):
        self.code.append(code)
        if code >= 0x80:
            self.code += struct.pack("<H", len(payload)) + payload
        return self

    def push(self, *values):
        payload = bytearray()
        for v in values:
            if isinstance(v, Undefined):
                payload.append(3)
            elif v is None:
                payload.append(2)
            elif isinstance(v, bool):
                payload += bytes([5, 1 if v else 0])
            elif isinstance(v, int) and -2**31 <= v < 2**31:
                payload += bytes([7]) + struct.pack("<i", v)
            elif isinstance(v, (int, float)):
                # AVM1 doubles are stored as two little-endian words, high word first.
                raw = struct.pack("<d", float(v))
                payload += bytes([6]) + raw[4:] + raw[:4]
            else:
                payload += bytes([0]) + _cstring(str(v))
        return self.op(PUSH, bytes(payload))

    def value(self, v):
        """Leaves v on the stack: a constant, or a callable that emits code."""
        if callable(v):
            v()
        else:
            self.push(v)
        return self

    def label(self, name):
        self._labels[name] = len(self.code)
        return self

    def _branch(self, code, name):
        self.code.append(code)
        self.code += struct.pack("<H", 2)
        self._fixups.append((len(self.code), name))
        self.code += b"\0\0"
        return self

    def jump(self, name):
        return self._branch(JUMP, name)

    def if_true(self, name):
        """Pops a value; branches to the label when it is true."""
        return self._branch(IF, name)

    def bytes(self):
        code = bytearray(self.code)
        for pos, name in self._fixups:
            # Offsets count from the end of the branch action.
            offset = self._labels[name] - (pos + 2)
            code[pos:pos + 2] = struct.pack("<h", offset)
        return bytes(code)

    # ---------------------------------------------------------------- helpers
    def get_var(self, name):
        return self.push(name).op(GET_VARIABLE)

    def set_var(self, name, value):
        self.push(name)
        self.value(value)
        return self.op(SET_VARIABLE)

    def path(self, dotted):
        """Leaves the object named by a dotted path (flash.external.ExternalInterface)."""
        first, *rest = dotted.split(".")
        self.get_var(first)
        for member in rest:
            self.push(member).op(GET_MEMBER)
        return self

    def call_method(self, obj, method, *args):
        """obj.method(args); leaves the result."""
        for a in reversed(args):
            self.value(a)
        self.push(len(args))
        self.path(obj) if isinstance(obj, str) else self.value(obj)
        self.push(method)
        return self.op(CALL_METHOD)

    def call_function(self, name, *args):
        for a in reversed(args):
            self.value(a)
        self.push(len(args), name)
        return self.op(CALL_FUNCTION)

    def ei_call(self, name, *args):
        """flash.external.ExternalInterface.call(name, args); leaves the result."""
        return self.call_method("flash.external.ExternalInterface", "call", name, *args)

    def ei_add_callback(self, name, function):
        """ExternalInterface.addCallback(name, null, function); function emits a function value."""
        self.call_method("flash.external.ExternalInterface", "addCallback", name, None, function)
        return self.op(POP)

    def function(self, params, body):
        """Leaves an anonymous function; body(actions) fills the function's code."""
        inner = Actions()
        body(inner)
        code = inner.bytes()
        payload = _cstring("") + struct.pack("<H", len(params))
        for p in params:
            payload += _cstring(p)
        payload += struct.pack("<H", len(code))
        self.op(DEFINE_FUNCTION, payload)
        self.code += code
        return self

    def concat(self, *parts):
        """Leaves the parts joined with the + operator (strings join, other values as text)."""
        self.value(parts[0])
        for p in parts[1:]:
            self.value(p)
            self.op(ADD2)
        return self

    def typeof(self, value):
        self.value(value)
        return self.op(TYPE_OF)

    def fscommand(self, command, argument=""):
        """fscommand(command, argument); a computed argument goes through GetURL2."""
        if callable(argument):
            self.push("FSCommand:" + command)
            argument()
            return self.op(GET_URL2, b"\0")
        return self.op(GET_URL, _cstring("FSCommand:" + command) + _cstring(argument))

    def stop(self):
        return self.op(STOP)

    def trace(self, value):
        self.value(value)
        return self.op(TRACE)

    def ret(self, value):
        self.value(value)
        return self.op(RETURN)


def _rect_twips(width, height):
    """The frame size as a bit-packed RECT of four 16-bit fields (in twips)."""
    bits = 16
    fields = [0, width * 20, 0, height * 20]
    value = bits
    for f in fields:
        value = (value << bits) | f
    total = 5 + 4 * bits
    value <<= (8 - total % 8) % 8
    return value.to_bytes((total + 7) // 8, "big")


def _tag(code, payload=b""):
    if len(payload) < 0x3F:
        return struct.pack("<H", (code << 6) | len(payload)) + payload
    return struct.pack("<HI", (code << 6) | 0x3F, len(payload)) + payload


def movie(actions, version=8, width=1024, height=652, fps=12, background=(255, 255, 255),
          frames=None):
    """The SWF file: FileAttributes, background, the actions in frame 1, then any further frames
    (each an Actions or None), the last frame stopping."""
    tags = _tag(69, struct.pack("<I", 0)) if version >= 8 else b""
    tags += _tag(9, bytes(background))
    tags += _tag(12, actions.bytes() + b"\0") + _tag(1)
    for extra in frames or []:
        if extra is not None:
            tags += _tag(12, extra.bytes() + b"\0")
        tags += _tag(1)
    tags += _tag(0)
    count = 1 + len(frames or [])
    body = _rect_twips(width, height) + struct.pack("<HH", fps << 8, count) + tags
    return b"FWS" + bytes([version]) + struct.pack("<I", 8 + len(body)) + body


if __name__ == "__main__":
    import sys
    # A one-line smoke movie: python3 swfwriter.py out.swf  (fscommands "hello" "world").
    a = Actions()
    a.fscommand("hello", "world")
    with open(sys.argv[1], "wb") as f:
        f.write(movie(a))
