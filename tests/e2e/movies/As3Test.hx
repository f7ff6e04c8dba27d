// An AS3 test movie for the browser player: it runs through the external calls the shell
// answers, writes what it received to results-as3.txt, and reports host-to-movie calls of
// DelphiCallBack to callback-as3.txt. Then it asks for a recording, so "canspeak" comes back.
import flash.external.ExternalInterface;

class As3Test {
    // What the movie received, as "kind:value".
    static function describe(v:Dynamic):String {
        if (v == null) return "null:";
        if (Std.isOfType(v, Bool)) return "boolean:" + Std.string(v);
        if (Std.isOfType(v, String)) return "string:" + v;
        return "other:" + Std.string(v);
    }

    static function call(name:String, ?a:String, ?b:String):String {
        var v:Dynamic = b != null ? ExternalInterface.call(name, a, b)
            : a != null ? ExternalInterface.call(name, a) : ExternalInterface.call(name);
        return name + "=" + describe(v);
    }

    static function main() {
        ExternalInterface.addCallback("DelphiCallBack", function(name:Dynamic, data:Dynamic) {
            ExternalInterface.call("savefile", "callback-as3.txt", Std.string(name) + "|" + describe(data));
            return "received";
        });
        var lines = [
            "available=" + Std.string(ExternalInterface.available),
            call("loadfile", "a.txt"),
            call("loadfile", "missing.txt"),
            call("savefile", "saved-as3.txt", "AS3 \u4E2D\u6587 & <x>"),
            call("fileexists", "a.txt"),
            call("fileexists", "missing.txt"),
            call("getAppDir"),
            call("prompt", "x"),
            call("SaveMemToFile", "x"),
        ];
        ExternalInterface.call("savefile", "results-as3.txt", lines.join("\n"));
        flash.Lib.fscommand("beginrecord", "");
    }
}
